#pragma once
// What the control-message handlers need from the engine around them: the calls on its
// endpoint, the status thread, the reports and the posts to its window. The engine supplies
// one implementation; tests supply a fake that records the calls.
#include <cstdint>
#include <string>

#include "kez/apt/message.h"
#include "kez/com/guid.h"
#include "kez/com/hresult.h"
#include "kez/com/variant.h"

namespace kez::corvane {

// How a multicast group is joined: by IP (IGMP) or by its Ethernet MAC.
enum class GroupKind { Ip, Mac };

class ControlServices {
public:
    virtual ~ControlServices() = default;

    // The engine's bAllMulticast property.
    virtual bool allMulticast() const = 0;

    // Calls on the endpoint; a failure leaves the callee's error object on this thread.
    virtual com::HRESULT setAllMulticast(bool on) = 0;
    virtual com::HRESULT joinGroup(GroupKind kind, const com::Variant& address) = 0;
    virtual com::HRESULT leaveGroup(GroupKind kind, const com::Variant& address) = 0;
    virtual com::HRESULT setChannelParameters(const com::Variant& callServerMac) = 0;
    // Sends a ReportIPInfo message from the shared fields as they are now.
    virtual com::HRESULT sendReportIpInfo() = 0;

    // Sends a kept message object again, readdressed to the bound call server.
    virtual com::HRESULT sendToCallServer(const com::Ptr<com::Object>& message) = 0;

    // Shared-wave mode (bShareWave): the devices open only while the set is in use.
    virtual bool sharedWave() const = 0;
    virtual com::HRESULT openPlayDevice() = 0;
    virtual com::HRESULT openRecordDevice() = 0;
    virtual bool waveDevicesOpen() const = 0;

    // The call's side: a page being received, which a UI state may end, and the kept
    // call-state message, which the call server may ask back.
    virtual bool pageActive() const = 0;
    virtual void endPage() = 0;
    virtual com::Ptr<com::Object> keptCallState() const = 0;

    // The status thread: its period in milliseconds (negative: none) and an immediate status.
    virtual void setStatusPeriod(std::int64_t milliseconds) = 0;
    virtual void wakeStatus() = 0;

    virtual void post(apt::Message message) = 0;
    virtual void postError(com::HRESULT hr, std::string text) = 0;
    // Posts a failed call on another object with the error object it left.
    virtual void postCalleeError(com::HRESULT hr, const com::Guid& calledInterface) = 0;
};

} // namespace kez::corvane
