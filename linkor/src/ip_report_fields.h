#pragma once
// The fields the status report and the IP-information report share, each message placing
// them at its own offsets: device handle, type, location and discovery state, the set's
// four IP addresses and its count of system-state messages.
#include <cstddef>
#include <cstdint>

#include "linkor/message_base.h"

namespace kez::linkor {

inline constexpr std::size_t kReportRevision = 2;
inline constexpr std::size_t kReportHandle = 4;
inline constexpr std::size_t kReportIp = 4;

struct IpReportLayout {
    std::size_t deviceType;
    std::size_t deviceLocation;
    std::size_t discoveryState;
    std::size_t myIp;
    std::size_t subNetMask;
    std::size_t gatewayIp;
    std::size_t vuruvIp;
    std::size_t systemStateMsgCount;
};

template <class Interface, IpReportLayout Layout>
class IpReportMessage : public MessageOf<Interface> {
public:
    HRESULT get_nDeviceHandle(std::int16_t& value) override { return this->getWordAt(kReportHandle, value); }
    HRESULT get_nDeviceType(std::int16_t& value) override { return this->getWordAt(Layout.deviceType, value); }
    HRESULT put_nDeviceType(std::int16_t value) override { return this->putWordAt(Layout.deviceType, value); }
    HRESULT get_nDeviceLocation(std::int16_t& value) override { return this->getWordAt(Layout.deviceLocation, value); }
    HRESULT put_nDeviceLocation(std::int16_t value) override { return this->putWordAt(Layout.deviceLocation, value); }
    HRESULT get_nDiscoveryState(std::int16_t& value) override { return this->getWordAt(Layout.discoveryState, value); }
    HRESULT put_nDiscoveryState(std::int16_t value) override { return this->putWordAt(Layout.discoveryState, value); }
    HRESULT get_varMyIP(Variant& value) override { return this->getArrayAt(Layout.myIp, kReportIp, value); }
    HRESULT put_varMyIP(const Variant& value) override { return this->putArrayAt(Layout.myIp, kReportIp, value); }
    HRESULT get_varSubNetMask(Variant& value) override { return this->getArrayAt(Layout.subNetMask, kReportIp, value); }
    HRESULT put_varSubNetMask(const Variant& value) override {
        return this->putArrayAt(Layout.subNetMask, kReportIp, value);
    }
    HRESULT get_varGatewayIP(Variant& value) override { return this->getArrayAt(Layout.gatewayIp, kReportIp, value); }
    HRESULT put_varGatewayIP(const Variant& value) override {
        return this->putArrayAt(Layout.gatewayIp, kReportIp, value);
    }
    HRESULT get_varVuruvIP(Variant& value) override { return this->getArrayAt(Layout.vuruvIp, kReportIp, value); }
    HRESULT put_varVuruvIP(const Variant& value) override { return this->putArrayAt(Layout.vuruvIp, kReportIp, value); }
    HRESULT get_nSystemStateMsgCount(std::int16_t& value) override {
        return this->getWordAt(Layout.systemStateMsgCount, value);
    }
    HRESULT put_nSystemStateMsgCount(std::int16_t value) override {
        return this->putWordAt(Layout.systemStateMsgCount, value);
    }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return this->getWordAt(kReportRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return this->putWordAt(kReportRevision, value); }

protected:
    using MessageOf<Interface>::MessageOf;
};

} // namespace kez::linkor
