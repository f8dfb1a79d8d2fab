// What the engine takes from the call server's system-state messages: the revision check,
// binding (blind or to the configured call server), the control VLAN tag before the first set
// initialisation, the message count for the reports, and the date.
#include "engine_object.h"
#include "kez/com/array_routines.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"

namespace kez::corvane {

void Engine::onEndPointEvent(com::DispId id, const com::Ptr<com::Object>& message) {
    switch (id) {
    case linkor::kDispIdSystemStateReceived: systemStateReceived(message); break;
    case linkor::kDispIdKzSetInitReceived: setInitReceived(message); break;
    case linkor::kDispIdKzSetUIStateControlReceived: uiStateReceived(message); break;
    case linkor::kDispIdLEDMappingReceived: ledMappingReceived(message); break;
    case linkor::kDispIdPlayDTMFMsgReceived: playDtmfReceived(message); break;
    case linkor::kDispIdSlaveCommandReceived: commandReceived(message); break;
    case linkor::kDispIdKzSetCallStateControlReceived: callStateReceived(message); break;
    case linkor::kDispIdSlavePageCmdReceived: pageReceived(message); break;
    case linkor::kDispIdAudioReceived: audioReceived(message, false); break;
    case linkor::kDispIdReliableAudioReceived: audioReceived(message, true); break;
    default: break;
    }
}

void Engine::systemStateReceived(const com::Ptr<com::Object>& message) {
    com::Ptr<linkor::ISystemStateMsg> state;
    com::Ptr<linkor::IJIPMessage> jip;
    HRESULT hr = com::query(message, state);
    if (com::SUCCEEDED(hr)) hr = com::query(message, jip);
    if (com::FAILED(hr)) return postCalleeError(hr, linkor::ISystemStateMsg::iid);
    Variant source, sourceIp;
    std::int16_t revision = 0, bits = 0, tci = 0;
    hr = firstFailure([&] { return jip->get_varSourceMac(source); }, [&] { return jip->get_varSourceIP(sourceIp); },
                      [&] { return state->get_nProtocolRevision(revision); },
                      [&] { return jip->get_nHeaderBitMap(bits); }, [&] { return jip->get_nTCI(tci); });
    if (com::FAILED(hr)) return postCalleeError(hr, linkor::ISystemStateMsg::iid);
    const auto fromBound = [&] { return com::ArraysEqual(source, state_.snapshot().vuruvMac); };
    const auto rev = static_cast<std::uint16_t>(revision);
    if (rev != kRevisionB3 && rev != kRevisionB2) {
        if (fromBound())
            postEngineError(windowHandle_, corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol System State");
        return;
    }
    if (control_.discover(source, sourceIp, static_cast<std::uint16_t>(bits) & kCameOverUdpBit)) return;
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
    if (takeLedArrays(*state)) takeDate(*state);
}

// Keeps the call server's date for SystemDateUpdate.
void Engine::takeDate(linkor::ISystemStateMsg& message) {
    com::Date date;
    if (const HRESULT hr = message.get_dtCurrent(date); com::FAILED(hr))
        return postCalleeError(hr, linkor::ISystemStateMsg::iid);
    state_.with([&](SharedFields& f) { f.systemDate = date; });
    windowHandle_.post({kMsgSystemDateUpdate, 0, 0, {}});
}

// Binds to the configured call server, taking its revision before the status thread is woken,
// so the status it sends at once already carries it.
void Engine::bindOnSystemState(const Variant& source, std::uint16_t headerBits, std::int16_t revision) {
    if (headerBits & kCameOverUdpBit) return;
    Variant boundMac;
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
    if (const HRESULT hr = endPoint_->SetChannelParameters(boundMac); com::FAILED(hr))
        postCalleeError(hr, linkor::IEndPoint::iid);
    status_.signal();
}

} // namespace kez::corvane
