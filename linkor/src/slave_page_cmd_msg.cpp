// SlavePageCmdMsg: a page announcement with its audio connection and the states of the
// paged devices. Every setter is ignored.
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kPageNoId = 8;
constexpr std::size_t kAudioConnType = 10;
constexpr std::size_t kAudioDirection = 11;
constexpr std::size_t kAudioHdrBits = 12;
constexpr std::size_t kCompressionInfo = 18;
// Tone and mode share byte 20 in this message; peers have always been read that way.
constexpr std::size_t kCallProgToneMode = 20;
constexpr std::size_t kCallProgDuration = 22;
constexpr std::size_t kOtherPartyMac = 24;
constexpr std::size_t kOtherPartyVdn = 30;
constexpr std::size_t kMulticastMac = 32;
constexpr std::size_t kMulticastHash = 38;
constexpr std::size_t kMulticastIp = 40;
// The state words begin at 48; the meaning of a non-zero word at 44 is not known, and the
// words are taken from 48 then too.
constexpr std::size_t kDeviceStates = 48;
constexpr std::size_t kIp = 4;
constexpr std::size_t kMac = 6;

class SlavePageCmdMsg final : public MessageOf<ISlavePageCmdMsg> {
public:
    SlavePageCmdMsg() : MessageOf("SlavePageCmdMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t) override { return com::S_OK; }
    HRESULT get_nPageNoID(std::int16_t& value) override { return getWordAt(kPageNoId, value); }
    HRESULT put_nPageNoID(std::int16_t) override { return com::S_OK; }
    HRESULT get_nAudioConnType(std::int16_t& value) override { return getByteAt(kAudioConnType, value); }
    HRESULT put_nAudioConnType(std::int16_t) override { return com::S_OK; }
    HRESULT get_nAudioDirection(std::int16_t& value) override { return getByteAt(kAudioDirection, value); }
    HRESULT put_nAudioDirection(std::int16_t) override { return com::S_OK; }
    HRESULT get_nAudioHdrBits(std::int16_t& value) override { return getWordAt(kAudioHdrBits, value); }
    HRESULT put_nAudioHdrBits(std::int16_t) override { return com::S_OK; }
    HRESULT get_nCompressionInfo(std::int16_t& value) override { return getByteAt(kCompressionInfo, value); }
    HRESULT put_nCompressionInfo(std::int16_t) override { return com::S_OK; }
    HRESULT get_nCallProgTone(std::int16_t& value) override { return getByteAt(kCallProgToneMode, value); }
    HRESULT put_nCallProgTone(std::int16_t) override { return com::S_OK; }
    HRESULT get_nCallProgMode(std::int16_t& value) override { return getHighNibbleAt(kCallProgToneMode, value); }
    HRESULT put_nCallProgMode(std::int16_t) override { return com::S_OK; }
    HRESULT get_nCallProgDuration(std::int16_t& value) override { return getWordAt(kCallProgDuration, value); }
    HRESULT put_nCallProgDuration(std::int16_t) override { return com::S_OK; }
    HRESULT get_varOtherPartyMac(Variant& value) override { return getArrayAt(kOtherPartyMac, kMac, value); }
    HRESULT put_varOtherPartyMac(const Variant&) override { return com::S_OK; }
    HRESULT get_nOtherPartyVDN(std::int16_t& value) override { return getWordAt(kOtherPartyVdn, value); }
    HRESULT put_nOtherPartyVDN(std::int16_t) override { return com::S_OK; }
    HRESULT get_varMulticastMac(Variant& value) override { return getArrayAt(kMulticastMac, kMac, value); }
    HRESULT put_varMulticastMac(const Variant&) override { return com::S_OK; }
    HRESULT get_nMulticastHash(std::int16_t& value) override { return getWordAt(kMulticastHash, value); }
    HRESULT put_nMulticastHash(std::int16_t) override { return com::S_OK; }
    HRESULT get_varMulticastIP(Variant& value) override { return getArrayAt(kMulticastIp, kIp, value); }
    HRESULT put_varMulticastIP(const Variant&) override { return com::S_OK; }
    HRESULT get_nDevState(std::int16_t nDevice, std::int16_t& value) override;
    HRESULT put_nDevState(std::int16_t, std::int16_t) override { return com::S_OK; }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t) override { return com::S_OK; }
};

// Four 4-bit states to a word: devices 1 to 4 of a word are the low and high nibble of its
// first byte, then of its second. The engine asks with its own device handle, which may be
// anything; a device outside the payload has state 0, so the page is simply not for it.
HRESULT SlavePageCmdMsg::get_nDevState(std::int16_t nDevice, std::int16_t& value) {
    value = 0;
    if (nDevice < 1) {
        return com::S_OK;
    }
    const auto index = static_cast<std::size_t>(nDevice - 1);
    const std::size_t offset = kDeviceStates + 2 * (index / 4) + (index % 4) / 2;
    if (fits(offset, 1)) {
        const std::uint8_t states = byte(offset);
        value = static_cast<std::int16_t>(index % 2 == 0 ? states & 0x0F : states >> 4);
    }
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeSlavePageCmdMsg() { return std::make_shared<SlavePageCmdMsg>(); }

} // namespace kez::linkor
