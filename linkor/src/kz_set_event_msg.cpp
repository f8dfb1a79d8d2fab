// KzSetEventMsg: an event of the set (a key press, the end of a DTMF playback, reliable
// audio flow control) for the call server.
#include "linkor/outgoing_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0205;
constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kEventId = 8;
constexpr std::size_t kEventInfo1 = 10;
constexpr std::size_t kEventInfo2 = 12;
constexpr std::size_t kHookSwitchStatus = 14;
constexpr std::int16_t kOnHook = 1;
constexpr std::int32_t kLength = 24;

class KzSetEventMsg final : public MessageOf<IKzSetEventMsg> {
public:
    KzSetEventMsg() : MessageOf("KzSetEventMsg") {}

    HRESULT InitPacket() override;
    // Four of the getters are not provided: the caller's variable stays as it was.
    HRESULT get_nEventID(std::int16_t&) override { return com::S_OK; }
    HRESULT put_nEventID(std::int16_t value) override { return putWordAt(kEventId, value); }
    HRESULT get_nEventInfo1(std::int16_t&) override { return com::S_OK; }
    HRESULT put_nEventInfo1(std::int16_t value) override { return putWordAt(kEventInfo1, value); }
    HRESULT get_nEventInfo2(std::int16_t&) override { return com::S_OK; }
    HRESULT put_nEventInfo2(std::int16_t value) override { return putWordAt(kEventInfo2, value); }
    HRESULT get_nDeviceHandle(std::int16_t&) override { return com::S_OK; }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nHookSwitchStatus(std::int16_t& value) override { return getWordAt(kHookSwitchStatus, value); }
    HRESULT put_nHookSwitchStatus(std::int16_t value) override { return putWordAt(kHookSwitchStatus, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }
};

HRESULT KzSetEventMsg::InitPacket() {
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
    setWord(kHookSwitchStatus, kOnHook);
    msgType_ = kPacketTypeHR;
    srcVdn_ = 1;
    dataLen_ = kLength;
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeKzSetEventMsg() { return std::make_shared<KzSetEventMsg>(); }

} // namespace kez::linkor
