// ReportIPInfoMsg: the set's IP settings, sent after the set-initialisation message.
#include "ip_report_fields.h"
#include "linkor/outgoing_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0016;
constexpr std::int32_t kLength = 92;
constexpr std::uint16_t kCallServerVdn = 0x0101;
constexpr IpReportLayout kLayout{.deviceType = 10,
                                 .deviceLocation = 12,
                                 .discoveryState = 14,
                                 .myIp = 18,
                                 .subNetMask = 22,
                                 .gatewayIp = 30,
                                 .vuruvIp = 34,
                                 .systemStateMsgCount = 40};

class ReportIPInfoMsg final : public IpReportMessage<IReportIPInfoMsg, kLayout> {
public:
    ReportIPInfoMsg() : IpReportMessage("ReportIPInfoMsg") {}

    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kReportHandle, value); }
    HRESULT InitPacket() override;
    // The report carries no MAC address: not provided, and the setter is ignored.
    HRESULT get_varMacAddress(Variant&) override { return com::S_OK; }
    HRESULT put_varMacAddress(const Variant&) override { return com::S_OK; }
};

HRESULT ReportIPInfoMsg::InitPacket() {
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kReportRevision, static_cast<std::int16_t>(kProtocolRevision));
    setWord(8, 0x0054);
    setByte(44, 0x01);
    setByte(46, 0x0B);
    msgType_ = kPacketTypeHR;
    headerBitMap_ = 0x11;
    srcVdn_ = 1;
    destVdn_ = kCallServerVdn;
    dataLen_ = kLength;
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeReportIPInfoMsg() { return std::make_shared<ReportIPInfoMsg>(); }

} // namespace kez::linkor
