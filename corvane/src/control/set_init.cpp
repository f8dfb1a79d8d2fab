// The call server takes the set into service: the groups for system state and paging, the
// control header, the device handle and the status period, answered by a status message, an
// IP-information report and InitReceived.
#include <algorithm>
#include <vector>

#include "control_handlers.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "linkor/end_point.h"
#include "shared/collaborators.h"
#include "shared/engine_messages.h"

namespace kez::corvane {
namespace {

constexpr std::int64_t kNoPeriodicStatus = -1;
constexpr std::int64_t kLongestStatusPeriod = 0xFFFF00;
constexpr std::uint16_t kFirstTooLongSeconds = 6554;

// A group the call server leaves out comes as no bytes or as zeros.
bool namesGroup(const com::Variant& address) {
    std::vector<std::uint8_t> bytes;
    if (com::FAILED(com::GetSafeArrayEx(address, bytes))) return false;
    return std::ranges::any_of(bytes, [](std::uint8_t b) { return b != 0; });
}

} // namespace

std::int64_t statusPeriodMilliseconds(std::int16_t statusUpdatePeriod) {
    if (statusUpdatePeriod == -1 || statusUpdatePeriod == 0) return kNoPeriodicStatus;
    if (statusUpdatePeriod == 1) return 100;
    const auto seconds = static_cast<std::uint16_t>(statusUpdatePeriod);
    return seconds < kFirstTooLongSeconds ? std::int64_t{seconds} * 1000 : kLongestStatusPeriod;
}

void ControlHandlers::setInit(const SetInitMessage& message) {
    if (discovering_ || !acceptsSetInit(message)) return;
    if (message.revision != state_.snapshot().protocolRevision) {
        services_.postError(corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol UI State");
        return;
    }
    const com::HRESULT hr = [&] {
        const bool firstInit = !state_.snapshot().initReceived;
        if (const com::HRESULT left =
                firstInit ? services_.setAllMulticast(services_.allMulticast()) : leaveJoinedGroups();
            com::FAILED(left))
            return left;
        const bool newChannel = state_.with([&](SharedFields& f) {
            f.initReceived = true;
            f.vuruvMac = message.sourceMac;
            f.bound = true;
            const bool firstHandle = f.deviceHandle == kNoDeviceHandle;
            f.deviceHandle = message.deviceHandle;
            f.controlBits = message.controlBits;
            f.controlTos = message.controlTos;
            f.controlTci = message.controlTci;
            return firstHandle;
        });
        if (newChannel) {
            if (const com::HRESULT set = services_.setChannelParameters(message.sourceMac); com::FAILED(set))
                return set;
        }
        if (const com::HRESULT joined = joinGroups(message); com::FAILED(joined)) return joined;
        services_.setStatusPeriod(statusPeriodMilliseconds(message.statusUpdatePeriod));
        services_.wakeStatus();
        return services_.sendReportIpInfo();
    }();
    if (com::FAILED(hr)) services_.postCalleeError(hr, linkor::IEndPoint::iid);
    services_.post({kMsgInitReceived, 0, 0, {}});
}

// Once bound, only the bound call server; before, the configured one, known by its IP when
// the message came over UDP and by its MAC otherwise.
bool ControlHandlers::acceptsSetInit(const SetInitMessage& message) {
    const SharedFields f = state_.snapshot();
    if (!f.bound && (message.receivedBits & kCameOverUdpBit)) return com::ArraysEqual(message.sourceIp, f.vuruvIp);
    return com::ArraysEqual(message.sourceMac, f.vuruvMac);
}

com::HRESULT ControlHandlers::leaveJoinedGroups() {
    while (!joined_.empty()) {
        const Membership last = joined_.back();
        joined_.pop_back();
        if (const com::HRESULT hr = services_.leaveGroup(last.kind, last.address); com::FAILED(hr)) return hr;
    }
    return com::S_OK;
}

// Over UDP the IP groups; over Ethernet the MAC groups and, for a bridge to IP, the IP groups too.
com::HRESULT ControlHandlers::joinGroups(const SetInitMessage& message) {
    if (message.receivedBits & kCameOverUdpBit)
        return firstFailure([&] { return join(GroupKind::Ip, message.systemStateIp); },
                            [&] { return join(GroupKind::Ip, message.pageIp); });
    return firstFailure([&] { return join(GroupKind::Mac, message.systemStateMac); },
                        [&] { return join(GroupKind::Mac, message.pageMac); },
                        [&] { return join(GroupKind::Ip, message.pageIp); },
                        [&] { return join(GroupKind::Ip, message.systemStateIp); });
}

com::HRESULT ControlHandlers::join(GroupKind kind, const com::Variant& address) {
    if (!namesGroup(address)) return com::S_OK;
    const com::HRESULT hr = services_.joinGroup(kind, address);
    if (com::SUCCEEDED(hr)) joined_.push_back({kind, address});
    return hr;
}

} // namespace kez::corvane
