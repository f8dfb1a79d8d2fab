// CallStateControlMsg: the set's two audio connections and its conference list.
#include <optional>

#include "linkor/incoming_interfaces.h"
#include "message_makers.h"
#include "two_layouts.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kHandle = 4;
constexpr std::size_t kIp = 4;
constexpr std::size_t kMac = 6;
constexpr std::int32_t kInitLength = 148;
constexpr std::int16_t kMessageType = 0x0203;

constexpr Place kAudioConnType1{16, 16};
constexpr Place kAudioDirection1{17, 17};
constexpr Place kAudioHdrBits1{18, 18};
constexpr Place kAudioIpTos1{20, 20};
constexpr Place kAudioTci1{22, 22};
constexpr Place kCompressionInfo1{24, 24};
constexpr Place kAudioControls1{26, 26};
constexpr Place kAudioFramesPerPacket1{27, 27};
constexpr Place kTermSeqMask1{28, 28};
constexpr Place kAudioDevice1{30, 30};
constexpr Place kOtherPartyMac1{32, 32};
constexpr Place kOtherPartyVdn1{38, 38};
constexpr Place kOtherPartyIp1{40, 40};
constexpr Place kMulticastMac1{50, 48};
constexpr Place kMulticastHash1{56, 54};
constexpr Place kMulticastIp1{58, 56};
constexpr Place kAudioConnType2{62, 60};
constexpr Place kAudioDirection2{63, 61};
constexpr Place kAudioHdrBits2{64, 62};
constexpr Place kAudioIpTos2{66, 64};
constexpr Place kAudioTci2{68, 66};
constexpr Place kCompressionInfo2{70, 68};
constexpr Place kAudioControls2{72, 70};
constexpr Place kAudioFramesPerPacket2{73, 71};
constexpr Place kTermSeqMask2{74, 72};
constexpr Place kAudioDevice2{76, 74};
constexpr Place kOtherPartyMac2{78, 76};
constexpr Place kOtherPartyVdn2{84, 82};
constexpr Place kMulticastMac2{96, 92};
constexpr Place kMulticastHash2{102, 98};
constexpr Place kConferenceListSize{108, 104};
constexpr Place kConfMulticastMac{112, 108};
constexpr Place kConfMulticastHashCode{118, 114};
constexpr Place kConfMulticastIp{120, 116};
constexpr Place kConfOtherMac{124, 120};
constexpr Place kConfOtherVdn{130, 126};
constexpr std::size_t kConfEntryStride = 8;

class CallStateControlMsg final : public TwoLayoutMessage<ICallStateControlMsg> {
public:
    CallStateControlMsg() : TwoLayoutMessage("CallStateControlMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nAudioConnType1(std::int16_t& v) override { return getByte(kAudioConnType1, v); }
    HRESULT put_nAudioConnType1(std::int16_t v) override { return orByte(kAudioConnType1, v); }
    HRESULT get_nAudioDirection1(std::int16_t& v) override { return getByte(kAudioDirection1, v); }
    HRESULT put_nAudioDirection1(std::int16_t v) override { return orByte(kAudioDirection1, v); }
    HRESULT get_nAudioHdrBits1(std::int16_t& v) override { return getWord(kAudioHdrBits1, v); }
    HRESULT put_nAudioHdrBits1(std::int16_t v) override { return putWord(kAudioHdrBits1, v); }
    HRESULT get_nAudioIPTOS1(std::int16_t& v) override { return getWord(kAudioIpTos1, v); }
    HRESULT put_nAudioIPTOS1(std::int16_t v) override { return putWord(kAudioIpTos1, v); }
    HRESULT get_nAudioTCI1(std::int16_t& v) override { return getWord(kAudioTci1, v); }
    HRESULT put_nAudioTCI1(std::int16_t v) override { return putWord(kAudioTci1, v); }
    HRESULT get_nCompressionInfo1(std::int16_t& v) override { return getByte(kCompressionInfo1, v); }
    HRESULT put_nCompressionInfo1(std::int16_t v) override { return orByte(kCompressionInfo1, v); }
    HRESULT get_nAudioControls1(std::int16_t& v) override { return getByte(kAudioControls1, v); }
    HRESULT put_nAudioControls1(std::int16_t v) override { return orByte(kAudioControls1, v); }
    HRESULT get_nAudioFramesPerPacket1(std::int16_t& v) override { return getByte(kAudioFramesPerPacket1, v); }
    HRESULT put_nAudioFramesPerPacket1(std::int16_t v) override { return orByte(kAudioFramesPerPacket1, v); }
    HRESULT get_nTermSeqMask1(std::int16_t& v) override { return getWord(kTermSeqMask1, v); }
    HRESULT put_nTermSeqMask1(std::int16_t v) override { return putWord(kTermSeqMask1, v); }
    HRESULT get_nAudioDevice1(std::int16_t& v) override { return getWord(kAudioDevice1, v); }
    HRESULT put_nAudioDevice1(std::int16_t v) override { return putWord(kAudioDevice1, v); }
    HRESULT get_varOtherPartyMac1(Variant& v) override { return getArray(kOtherPartyMac1, kMac, v); }
    HRESULT put_varOtherPartyMac1(const Variant& v) override { return putArray(kOtherPartyMac1, kMac, v); }
    HRESULT get_nOtherPartyVDN1(std::int16_t& v) override { return getWord(kOtherPartyVdn1, v); }
    HRESULT put_nOtherPartyVDN1(std::int16_t v) override { return putWord(kOtherPartyVdn1, v); }
    HRESULT get_varOtherPartyIP1(Variant& v) override { return getArray(kOtherPartyIp1, kIp, v); }
    HRESULT put_varOtherPartyIP1(const Variant& v) override { return putArray(kOtherPartyIp1, kIp, v); }
    HRESULT get_varMulticastMac1(Variant& v) override { return getArray(kMulticastMac1, kMac, v); }
    HRESULT put_varMulticastMac1(const Variant& v) override { return putArray(kMulticastMac1, kMac, v); }
    HRESULT get_nMulticastHash1(std::int16_t& v) override { return getWord(kMulticastHash1, v); }
    HRESULT put_nMulticastHash1(std::int16_t v) override { return putWord(kMulticastHash1, v); }
    HRESULT get_varMulticastIP1(Variant& v) override { return getArray(kMulticastIp1, kIp, v); }
    HRESULT put_varMulticastIP1(const Variant& v) override { return putArray(kMulticastIp1, kIp, v); }
    HRESULT get_nAudioConnType2(std::int16_t& v) override { return getByte(kAudioConnType2, v); }
    HRESULT put_nAudioConnType2(std::int16_t v) override { return orByte(kAudioConnType2, v); }
    HRESULT get_nAudioDirection2(std::int16_t& v) override { return getByte(kAudioDirection2, v); }
    HRESULT put_nAudioDirection2(std::int16_t v) override { return orByte(kAudioDirection2, v); }
    HRESULT get_nAudioHdrBits2(std::int16_t& v) override { return getWord(kAudioHdrBits2, v); }
    HRESULT put_nAudioHdrBits2(std::int16_t v) override { return putWord(kAudioHdrBits2, v); }
    HRESULT get_nAudioIPTOS2(std::int16_t& v) override { return getWord(kAudioIpTos2, v); }
    HRESULT put_nAudioIPTOS2(std::int16_t v) override { return putWord(kAudioIpTos2, v); }
    HRESULT get_nAudioTCI2(std::int16_t& v) override { return getWord(kAudioTci2, v); }
    HRESULT put_nAudioTCI2(std::int16_t v) override { return putWord(kAudioTci2, v); }
    HRESULT get_nCompressionInfo2(std::int16_t& v) override { return getByte(kCompressionInfo2, v); }
    HRESULT put_nCompressionInfo2(std::int16_t v) override { return orByte(kCompressionInfo2, v); }
    HRESULT get_nAudioControls2(std::int16_t& v) override { return getByte(kAudioControls2, v); }
    HRESULT put_nAudioControls2(std::int16_t) override { return com::S_OK; }
    HRESULT get_nAudioFramesPerPacket2(std::int16_t& v) override { return getByte(kAudioFramesPerPacket2, v); }
    HRESULT put_nAudioFramesPerPacket2(std::int16_t v) override { return orByte(kAudioFramesPerPacket2, v); }
    HRESULT get_nTermSeqMask2(std::int16_t& v) override { return getWord(kTermSeqMask2, v); }
    HRESULT put_nTermSeqMask2(std::int16_t v) override { return putWord(kTermSeqMask2, v); }
    HRESULT get_nAudioDevice2(std::int16_t& v) override { return getWord(kAudioDevice2, v); }
    HRESULT put_nAudioDevice2(std::int16_t v) override { return putWord(kAudioDevice2, v); }
    HRESULT get_varOtherPartyMac2(Variant& v) override { return getArray(kOtherPartyMac2, kMac, v); }
    HRESULT put_varOtherPartyMac2(const Variant& v) override { return putArray(kOtherPartyMac2, kMac, v); }
    HRESULT get_nOtherPartyVDN2(std::int16_t& v) override { return getWord(kOtherPartyVdn2, v); }
    HRESULT put_nOtherPartyVDN2(std::int16_t v) override { return putWord(kOtherPartyVdn2, v); }
    HRESULT get_varMulticastMac2(Variant& v) override { return getArray(kMulticastMac2, kMac, v); }
    HRESULT put_varMulticastMac2(const Variant& v) override { return putArray(kMulticastMac2, kMac, v); }
    HRESULT get_nMulticastHash2(std::int16_t& v) override { return getWord(kMulticastHash2, v); }
    HRESULT put_nMulticastHash2(std::int16_t v) override { return putWord(kMulticastHash2, v); }
    HRESULT get_nConferenceListSize(std::int16_t& v) override { return getWord(kConferenceListSize, v); }
    HRESULT put_nConferenceListSize(std::int16_t v) override { return putWord(kConferenceListSize, v); }
    HRESULT get_varConfMulticastMac(Variant& v) override { return getArray(kConfMulticastMac, kMac, v); }
    HRESULT put_varConfMulticastMac(const Variant& v) override { return putArray(kConfMulticastMac, kMac, v); }
    HRESULT get_nConfMulticastHashCode(std::int16_t& v) override { return getWord(kConfMulticastHashCode, v); }
    HRESULT put_nConfMulticastHashCode(std::int16_t v) override { return putWord(kConfMulticastHashCode, v); }
    HRESULT get_varConfMulticastIP(Variant& v) override { return getArray(kConfMulticastIp, kIp, v); }
    HRESULT put_varConfMulticastIP(const Variant& v) override { return putArray(kConfMulticastIp, kIp, v); }
    HRESULT get_varConfOtherMac(std::int16_t nIndex, Variant& value) override;
    HRESULT put_varConfOtherMac(std::int16_t nIndex, const Variant& value) override;
    HRESULT get_nConfOtherVDN(std::int16_t nIndex, std::int16_t& value) override;
    HRESULT put_nConfOtherVDN(std::int16_t nIndex, std::int16_t value) override;
    HRESULT get_nProtocolRevision(std::int16_t& v) override { return getWordAt(kRevisionOffset, v); }
    HRESULT put_nProtocolRevision(std::int16_t v) override { return putWordAt(kRevisionOffset, v); }
    HRESULT InitPacket() override;

private:
    HRESULT orByte(Place place, std::int16_t value) {
        setByte(place.wide, static_cast<std::uint8_t>(byte(place.wide) | (value & 0xFF)));
        return com::S_OK;
    }
    HRESULT badIndex() const { return fail(com::E_INVALIDARG, "Invalid conference index"); }
};

// The index comes from the engine's loop over nConferenceListSize, a word from the wire.
HRESULT CallStateControlMsg::get_varConfOtherMac(std::int16_t nIndex, Variant& value) {
    const auto offset = entryOffset(at(kConfOtherMac), kConfEntryStride, nIndex, kMac);
    return offset ? getArrayAt(*offset, kMac, value) : badIndex();
}

HRESULT CallStateControlMsg::put_varConfOtherMac(std::int16_t nIndex, const Variant& value) {
    const auto offset = entryOffset(kConfOtherMac.wide, kConfEntryStride, nIndex, kMac);
    return offset ? putArrayAt(*offset, kMac, value) : badIndex();
}

HRESULT CallStateControlMsg::get_nConfOtherVDN(std::int16_t nIndex, std::int16_t& value) {
    const auto offset = entryOffset(at(kConfOtherVdn), kConfEntryStride, nIndex, 2);
    return offset ? getWordAt(*offset, value) : badIndex();
}

HRESULT CallStateControlMsg::put_nConfOtherVDN(std::int16_t nIndex, std::int16_t value) {
    const auto offset = entryOffset(kConfOtherVdn.wide, kConfEntryStride, nIndex, 2);
    return offset ? putWordAt(*offset, value) : badIndex();
}

HRESULT CallStateControlMsg::InitPacket() {
    ResetPayload();
    msgType_ = kPacketTypeHR;
    setWord(0, kMessageType);
    setWord(kRevisionOffset, static_cast<std::int16_t>(kProtocolRevision));
    dataLen_ = kInitLength;
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeCallStateControlMsg() { return std::make_shared<CallStateControlMsg>(); }

} // namespace kez::linkor
