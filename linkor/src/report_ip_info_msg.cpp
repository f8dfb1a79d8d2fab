// ReportIPInfoMsg: the set's IP settings, sent after the set-initialisation message.
#include "linkor/outgoing_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0016;
constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kDeviceType = 10;
constexpr std::size_t kDeviceLocation = 12;
constexpr std::size_t kDiscoveryState = 14;
constexpr std::size_t kMyIp = 18;
constexpr std::size_t kSubNetMask = 22;
constexpr std::size_t kGatewayIp = 30;
constexpr std::size_t kVuruvIp = 34;
constexpr std::size_t kSystemStateMsgCount = 40;
constexpr std::int32_t kLength = 92;
constexpr std::uint16_t kCallServerVdn = 0x0101;
constexpr std::size_t kIp = 4;

class ReportIPInfoMsg final : public MessageOf<IReportIPInfoMsg> {
public:
    ReportIPInfoMsg() : MessageOf("ReportIPInfoMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT InitPacket() override;
    HRESULT get_nDeviceType(std::int16_t& value) override { return getWordAt(kDeviceType, value); }
    HRESULT put_nDeviceType(std::int16_t value) override { return putWordAt(kDeviceType, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }
    HRESULT get_varMyIP(Variant& value) override { return getArrayAt(kMyIp, kIp, value); }
    HRESULT put_varMyIP(const Variant& value) override { return putArrayAt(kMyIp, kIp, value); }
    HRESULT get_varSubNetMask(Variant& value) override { return getArrayAt(kSubNetMask, kIp, value); }
    HRESULT put_varSubNetMask(const Variant& value) override { return putArrayAt(kSubNetMask, kIp, value); }
    HRESULT get_varGatewayIP(Variant& value) override { return getArrayAt(kGatewayIp, kIp, value); }
    HRESULT put_varGatewayIP(const Variant& value) override { return putArrayAt(kGatewayIp, kIp, value); }
    HRESULT get_varVuruvIP(Variant& value) override { return getArrayAt(kVuruvIp, kIp, value); }
    HRESULT put_varVuruvIP(const Variant& value) override { return putArrayAt(kVuruvIp, kIp, value); }
    HRESULT get_nSystemStateMsgCount(std::int16_t& value) override
    {
        return getWordAt(kSystemStateMsgCount, value);
    }
    HRESULT put_nSystemStateMsgCount(std::int16_t value) override
    {
        return putWordAt(kSystemStateMsgCount, value);
    }
    HRESULT get_nDeviceLocation(std::int16_t& value) override { return getWordAt(kDeviceLocation, value); }
    HRESULT put_nDeviceLocation(std::int16_t value) override { return putWordAt(kDeviceLocation, value); }
    HRESULT get_nDiscoveryState(std::int16_t& value) override { return getWordAt(kDiscoveryState, value); }
    HRESULT put_nDiscoveryState(std::int16_t value) override { return putWordAt(kDiscoveryState, value); }
    // The report carries no MAC address: not provided, and the setter is ignored.
    HRESULT get_varMacAddress(Variant&) override { return com::S_OK; }
    HRESULT put_varMacAddress(const Variant&) override { return com::S_OK; }
};

HRESULT ReportIPInfoMsg::InitPacket()
{
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
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
