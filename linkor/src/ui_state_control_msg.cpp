// UIStateControlMsg: tones, alerting, keys, LEDs, display lines and the clock mode.
#include "kez/com/text.h"
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"
#include "two_layouts.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kHandle = 4;
constexpr std::size_t kCallProgTone = 22;
constexpr std::size_t kCallProgModeVol = 23;
constexpr std::size_t kCallProgDur = 24;
constexpr std::size_t kAlertToneCad = 26;
constexpr std::size_t kAlertMode = 27;
constexpr std::size_t kAlertCycles = 29;
constexpr std::size_t kKeyControl = 32;
constexpr std::size_t kLedStates = 34;
constexpr std::size_t kLedStatesWidth = 10;
constexpr std::size_t kDisplayLines = 46;
constexpr Place kLineWidth{32, 16};
constexpr Place kTodMode{114, 82};
constexpr Place kCallDurationDisplayMode{118, 86};
constexpr Place kCallDuration{122, 90};
constexpr std::size_t kDeviceIdleStatus = 124;

class UIStateControlMsg final : public TwoLayoutMessage<IUIStateControlMsg> {
public:
    UIStateControlMsg() : TwoLayoutMessage("UIStateControlMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nSpkrCallProgTone(std::int16_t& value) override { return getByteAt(kCallProgTone, value); }
    HRESULT put_nSpkrCallProgTone(std::int16_t value) override { return putByte(kCallProgTone, value); }
    HRESULT get_nSpkrCallProgMode(std::int16_t& value) override { return getHighNibbleAt(kCallProgModeVol, value); }
    HRESULT put_nSpkrCallProgMode(std::int16_t value) override { return putHighNibble(kCallProgModeVol, value); }
    HRESULT get_nSpkrCallProgVol(std::int16_t& value) override { return getLowNibbleAt(kCallProgModeVol, value); }
    HRESULT put_nSpkrCallProgVol(std::int16_t) override { return com::S_OK; }
    HRESULT get_nSpkrCallProgDur(std::int16_t& value) override { return getWordAt(kCallProgDur, value); }
    HRESULT put_nSpkrCallProgDur(std::int16_t) override { return com::S_OK; }
    HRESULT get_nSpkrAlertSigTone(std::int16_t& value) override { return getHighNibbleAt(kAlertToneCad, value); }
    HRESULT put_nSpkrAlertSigTone(std::int16_t value) override { return putHighNibble(kAlertToneCad, value); }
    HRESULT get_nSpkrAlertSigCad(std::int16_t& value) override { return getLowNibbleAt(kAlertToneCad, value); }
    HRESULT put_nSpkrAlertSigCad(std::int16_t value) override { return putLowNibble(kAlertToneCad, value); }
    HRESULT get_nSpkrAlertSigMode(std::int16_t& value) override { return getHighNibbleAt(kAlertMode, value); }
    HRESULT put_nSpkrAlertSigMode(std::int16_t value) override { return putHighNibble(kAlertMode, value); }
    HRESULT get_nSpkrAlertSigCycles(std::int16_t& value) override { return getByteAt(kAlertCycles, value); }
    HRESULT put_nSpkrAlertSigCycles(std::int16_t value) override { return putByte(kAlertCycles, value); }
    HRESULT get_nKeyControl(std::int16_t& value) override { return getWordAt(kKeyControl, value); }
    HRESULT put_nKeyControl(std::int16_t value) override { return putWordAt(kKeyControl, value); }
    HRESULT get_varLEDStates(Variant& value) override;
    HRESULT put_varLEDStates(const Variant& value) override { return putArrayAt(kLedStates, kLedStatesWidth, value); }
    HRESULT get_sDisplayLine(std::int16_t nLine, std::string& value) override;
    HRESULT put_sDisplayLine(std::int16_t, const std::string&) override { return com::S_OK; }
    HRESULT get_nTODMode(std::int16_t& value) override { return getWord(kTodMode, value); }
    HRESULT put_nTODMode(std::int16_t value) override { return putWord(kTodMode, value); }
    HRESULT get_nCallDurationDisplayMode(std::int16_t& value) override {
        return getWord(kCallDurationDisplayMode, value);
    }
    HRESULT put_nCallDurationDisplayMode(std::int16_t value) override {
        return putWord(kCallDurationDisplayMode, value);
    }
    HRESULT get_nCallDuration(std::int16_t& value) override { return getWord(kCallDuration, value); }
    HRESULT put_nCallDuration(std::int16_t value) override { return putWord(kCallDuration, value); }
    HRESULT get_nDeviceIdleStatus(std::int16_t& value) override;
    HRESULT put_nDeviceIdleStatus(std::int16_t value) override { return putWordAt(kDeviceIdleStatus, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevisionOffset, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevisionOffset, value); }

private:
    HRESULT putByte(std::size_t offset, std::int16_t value) {
        setByte(offset, static_cast<std::uint8_t>(value));
        return com::S_OK;
    }
    // The nibble setters keep the other half of the byte.
    HRESULT putHighNibble(std::size_t offset, std::int16_t value) {
        setByte(offset, static_cast<std::uint8_t>((byte(offset) & 0x0F) | (value & 0x0F) << 4));
        return com::S_OK;
    }
    HRESULT putLowNibble(std::size_t offset, std::int16_t value) {
        setByte(offset, static_cast<std::uint8_t>((byte(offset) & 0xF0) | (value & 0x0F)));
        return com::S_OK;
    }
};

// The engine decodes the five elements as big-endian words itself, so the wire bytes go
// into the 16-bit elements unswapped.
HRESULT UIStateControlMsg::get_varLEDStates(Variant& value) {
    return makeArray(bytes(kLedStates, kLedStatesWidth), value, kMakeSafeArrayFailed, com::ElementType::I2);
}

HRESULT UIStateControlMsg::get_sDisplayLine(std::int16_t nLine, std::string& value) {
    if (nLine != 0 && nLine != 1) {
        return fail(com::E_INVALIDARG, "Invalid display line");
    }
    const std::size_t width = at(kLineWidth);
    const auto line = bytes(kDisplayLines + width * static_cast<std::size_t>(nLine), width);
    std::string_view text(reinterpret_cast<const char*>(line.data()), line.size());
    text = text.substr(0, text.find('\0'));
    value = com::utf8FromWindows1252(text);
    return com::S_OK;
}

HRESULT UIStateControlMsg::get_nDeviceIdleStatus(std::int16_t& value) {
    if (!wideLayout()) {
        value = 0;
        return com::S_OK;
    }
    return getWordAt(kDeviceIdleStatus, value);
}

} // namespace

com::Ptr<JIPMessageBase> makeUIStateControlMsg() { return std::make_shared<UIStateControlMsg>(); }

} // namespace kez::linkor
