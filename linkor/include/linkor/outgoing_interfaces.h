#pragma once
// The control messages the set sends: created by class identifier, InitPacket, properties
// set, then handed to the endpoint. Members are in type-library order.
#include <cstdint>

#include "linkor/jip_message.h"

namespace kez::linkor {

// The getters of nEventID, nEventInfo1, nEventInfo2 and nDeviceHandle are not provided:
// they succeed and leave the caller's variable as it was.
class IKzSetEventMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIKzSetEventMsg;

    virtual HRESULT InitPacket() = 0;
    virtual HRESULT get_nEventID(std::int16_t& value) = 0;
    virtual HRESULT put_nEventID(std::int16_t value) = 0;
    virtual HRESULT get_nEventInfo1(std::int16_t& value) = 0;
    virtual HRESULT put_nEventInfo1(std::int16_t value) = 0;
    virtual HRESULT get_nEventInfo2(std::int16_t& value) = 0;
    virtual HRESULT put_nEventInfo2(std::int16_t value) = 0;
    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nHookSwitchStatus(std::int16_t& value) = 0;
    virtual HRESULT put_nHookSwitchStatus(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class IStatusMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIStatusMsg;

    virtual HRESULT InitPacket() = 0;
    virtual HRESULT get_varMacAddress(Variant& value) = 0;
    virtual HRESULT put_varMacAddress(const Variant& value) = 0;
    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nDeviceType(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceType(std::int16_t value) = 0;
    virtual HRESULT get_varMyIP(Variant& value) = 0;
    virtual HRESULT put_varMyIP(const Variant& value) = 0;
    virtual HRESULT get_varSubNetMask(Variant& value) = 0;
    virtual HRESULT put_varSubNetMask(const Variant& value) = 0;
    virtual HRESULT get_varGatewayIP(Variant& value) = 0;
    virtual HRESULT put_varGatewayIP(const Variant& value) = 0;
    virtual HRESULT get_nDeviceLocation(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceLocation(std::int16_t value) = 0;
    // Appends one device element; E_FAIL when the payload has no room left for it.
    virtual HRESULT AddDevice(std::int16_t nType, std::int16_t nVDN, std::int16_t nStatus) = 0;
    virtual HRESULT get_varVuruvIP(Variant& value) = 0;
    virtual HRESULT put_varVuruvIP(const Variant& value) = 0;
    virtual HRESULT get_nDiscoveryState(std::int16_t& value) = 0;
    virtual HRESULT put_nDiscoveryState(std::int16_t value) = 0;
    virtual HRESULT get_nSystemStateMsgCount(std::int16_t& value) = 0;
    virtual HRESULT put_nSystemStateMsgCount(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

// varMacAddress is not provided and its setter is ignored: the report carries no MAC.
class IReportIPInfoMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIReportIPInfoMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT InitPacket() = 0;
    virtual HRESULT get_nDeviceType(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceType(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
    virtual HRESULT get_varMyIP(Variant& value) = 0;
    virtual HRESULT put_varMyIP(const Variant& value) = 0;
    virtual HRESULT get_varSubNetMask(Variant& value) = 0;
    virtual HRESULT put_varSubNetMask(const Variant& value) = 0;
    virtual HRESULT get_varGatewayIP(Variant& value) = 0;
    virtual HRESULT put_varGatewayIP(const Variant& value) = 0;
    virtual HRESULT get_varVuruvIP(Variant& value) = 0;
    virtual HRESULT put_varVuruvIP(const Variant& value) = 0;
    virtual HRESULT get_nSystemStateMsgCount(std::int16_t& value) = 0;
    virtual HRESULT put_nSystemStateMsgCount(std::int16_t value) = 0;
    virtual HRESULT get_nDeviceLocation(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceLocation(std::int16_t value) = 0;
    virtual HRESULT get_nDiscoveryState(std::int16_t& value) = 0;
    virtual HRESULT put_nDiscoveryState(std::int16_t value) = 0;
    virtual HRESULT get_varMacAddress(Variant& value) = 0;
    virtual HRESULT put_varMacAddress(const Variant& value) = 0;
};

} // namespace kez::linkor
