// StatusMsg: the set's periodic status report: a fixed part, then a list of elements
// (identifier byte, length byte, data) ending with one element per device.
#include "ip_report_fields.h"
#include "linkor/outgoing_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0013;
constexpr std::size_t kListLength = 8;
constexpr std::size_t kHandleAgain = 44;
constexpr std::size_t kMacAddress = 46;
constexpr IpReportLayout kLayout{.deviceType = 12,
                                 .deviceLocation = 52,
                                 .discoveryState = 54,
                                 .myIp = 58,
                                 .subNetMask = 62,
                                 .gatewayIp = 70,
                                 .vuruvIp = 74,
                                 .systemStateMsgCount = 80};
constexpr std::size_t kFixedLength = 206;
constexpr std::size_t kListStart = 10;
constexpr std::size_t kDeviceElement = 8;
constexpr std::size_t kMac = 6;

class StatusMsg final : public IpReportMessage<IStatusMsg, kLayout> {
public:
    StatusMsg() : IpReportMessage("StatusMsg") {}

    HRESULT InitPacket() override;
    HRESULT get_varMacAddress(Variant& value) override { return getArrayAt(kMacAddress, kMac, value); }
    HRESULT put_varMacAddress(const Variant& value) override { return putArrayAt(kMacAddress, kMac, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override;
    HRESULT AddDevice(std::int16_t nType, std::int16_t nVDN, std::int16_t nStatus) override;

private:
    void putElementHeader(std::size_t offset, std::uint8_t identifier, std::uint8_t length) {
        setByte(offset, identifier);
        setByte(offset + 1, length);
    }

    std::size_t devices_ = 0;
};

HRESULT StatusMsg::InitPacket() {
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kReportRevision, static_cast<std::int16_t>(kProtocolRevision));
    setWord(kListLength, static_cast<std::int16_t>(kFixedLength - kListStart));
    putElementHeader(10, 1, 24);
    setWord(24, 3);
    putElementHeader(36, 2, 54);
    setByte(38, 0x02);
    setByte(39, 0x01);
    setWord(40, 1);
    setWord(42, 1);
    putElementHeader(92, 4, 8);
    putElementHeader(102, 5, 66);
    putElementHeader(170, 6, 34);
    msgType_ = kPacketTypeHU;
    headerBitMap_ = 0x11;
    dataLen_ = static_cast<std::int32_t>(kFixedLength);
    devices_ = 0;
    return com::S_OK;
}

// The handle stands in the fixed part and again in element 2.
HRESULT StatusMsg::put_nDeviceHandle(std::int16_t value) {
    setWord(kReportHandle, value);
    setWord(kHandleAgain, value);
    return com::S_OK;
}

HRESULT StatusMsg::AddDevice(std::int16_t nType, std::int16_t nVDN, std::int16_t nStatus) {
    const std::size_t offset = kFixedLength + kDeviceElement * devices_;
    if (!fits(offset, kDeviceElement)) {
        return fail(com::E_FAIL, "No room for another device");
    }
    putElementHeader(offset, 3, 6);
    setWord(offset + 2, nType);
    setWord(offset + 4, nVDN);
    setWord(offset + 6, nStatus);
    growDataLen(static_cast<std::int32_t>(kDeviceElement));
    setWord(kListLength, static_cast<std::int16_t>(word(kListLength) + static_cast<std::int16_t>(kDeviceElement)));
    ++devices_;
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeStatusMsg() { return std::make_shared<StatusMsg>(); }

} // namespace kez::linkor
