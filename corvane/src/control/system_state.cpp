// What the engine takes from the call server's system-state messages: the revision check,
// binding (blind or to the configured call server), the control VLAN tag before the first set
// initialisation, the message count for the reports, the LED arrays and the date.
#include "control_handlers.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "linkor/end_point.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"

namespace kez::corvane {

void ControlHandlers::systemStateReceived(const com::Ptr<com::Object>& message) {
    com::Ptr<linkor::ISystemStateMsg> state;
    com::Ptr<linkor::IJIPMessage> jip;
    com::HRESULT hr = com::query(message, state);
    if (com::SUCCEEDED(hr)) hr = com::query(message, jip);
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::ISystemStateMsg::iid);
    com::Variant source, sourceIp;
    std::int16_t revision = 0, bits = 0, tci = 0;
    hr = firstFailure([&] { return jip->get_varSourceMac(source); }, [&] { return jip->get_varSourceIP(sourceIp); },
                      [&] { return state->get_nProtocolRevision(revision); },
                      [&] { return jip->get_nHeaderBitMap(bits); }, [&] { return jip->get_nTCI(tci); });
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::ISystemStateMsg::iid);
    const auto fromBound = [&] { return com::ArraysEqual(source, state_.snapshot().vuruvMac); };
    const auto rev = static_cast<std::uint16_t>(revision);
    if (rev != kRevisionB3 && rev != kRevisionB2) {
        if (fromBound()) services_.postError(corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol System State");
        return;
    }
    if (discover(source, sourceIp, static_cast<std::uint16_t>(bits) & kCameOverUdpBit)) return;
    if (!state_.snapshot().bound) {
        bindOnSystemState(source, static_cast<std::uint16_t>(bits), revision);
        if (!state_.snapshot().bound) {
            if (fromBound()) takeDate(*state);
            return;
        }
    }
    if (!fromBound()) return;
    state_.with([&](SharedFields& f) {
        if (!f.initReceived) {
            f.controlTci = static_cast<std::uint16_t>(tci);
            if (tci != 0) f.controlBits |= kVlanTagBit;
        }
    });
    state_.countSystemState();
    if (readLedArrays(*state)) takeDate(*state);
}

// Keeps the call server's date for SystemDateUpdate.
void ControlHandlers::takeDate(linkor::ISystemStateMsg& message) {
    com::Date date;
    if (const com::HRESULT hr = message.get_dtCurrent(date); com::FAILED(hr))
        return services_.postCalleeError(hr, linkor::ISystemStateMsg::iid);
    state_.with([&](SharedFields& f) { f.systemDate = date; });
    services_.post({kMsgSystemDateUpdate, 0, 0, {}});
}

// Binds to the configured call server, taking its revision before the status thread is woken,
// so the status it sends at once already carries it.
void ControlHandlers::bindOnSystemState(const com::Variant& source, std::uint16_t headerBits, std::int16_t revision) {
    if (headerBits & kCameOverUdpBit) return;
    com::Variant boundMac;
    const bool newChannel = state_.with([&](SharedFields& f) {
        if (!holdsBytes(f.vuruvMac)) {
            if (f.candidateCount == 0) {
                f.candidate = source;
                f.candidateCount = 1;
                f.candidateRevision = revision;
            } else if (!com::ArraysEqual(source, f.candidate)) {
                ++f.candidateCount;
            }
            return false;
        }
        if (!com::ArraysEqual(source, f.vuruvMac)) return false;
        f.bound = true;
        f.protocolRevision = revision;
        if (com::isVariantTrue(f.forceLevel3)) {
            f.forceLevel3 = com::VARIANT_FALSE;
            f.controlBits = headerBits;
        }
        boundMac = f.vuruvMac;
        return f.deviceHandle == kNoDeviceHandle;
    });
    if (!newChannel) return;
    if (const com::HRESULT hr = services_.setChannelParameters(boundMac); com::FAILED(hr))
        services_.postCalleeError(hr, linkor::IEndPoint::iid);
    services_.wakeStatus();
}

// Replaced in the order telephone, park, trunk; a copy that fails leaves it and those after
// it empty, and ends the message's handling (false).
bool ControlHandlers::readLedArrays(linkor::ISystemStateMsg& message) {
    LedArrays arrays;
    using Member = com::HRESULT (linkor::ISystemStateMsg::*)(com::Variant&);
    const std::pair<Member, std::optional<std::vector<std::uint8_t>>*> members[] = {
        {&linkor::ISystemStateMsg::get_varKzSetLEDStates, &arrays.telephone},
        {&linkor::ISystemStateMsg::get_varParkLEDStates, &arrays.park},
        {&linkor::ISystemStateMsg::get_varTlimLEDStates, &arrays.trunk}};
    for (const auto& [member, array] : members) {
        com::Variant value;
        std::vector<std::uint8_t> bytes;
        com::HRESULT hr = (message.*member)(value);
        if (com::SUCCEEDED(hr)) hr = com::GetSafeArrayEx(value, bytes);
        if (com::FAILED(hr)) {
            takeLedArrays(std::move(arrays));
            services_.postError(hr, "GetSafeArrayEx failed");
            return false;
        }
        *array = std::move(bytes);
    }
    takeLedArrays(std::move(arrays));
    refreshLeds();
    return true;
}

} // namespace kez::corvane
