// The engine's creation, its settings, and its events turned into the wrapper's.
#include <algorithm>
#include <optional>
#include <utility>

#include "corvane/identifiers.h"
#include "engine_call.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

using com::toVariantBool;

constexpr std::int16_t kEndless = -1;

// The protocol revision of the call server's version; nothing for versions the engine's default serves.
std::optional<std::int16_t> protocolRevision(std::int16_t xavVersion) {
    if (xavVersion == 2) return static_cast<std::int16_t>(0x80B2);
    if (xavVersion == 3 || xavVersion == 4) return static_cast<std::int16_t>(0x80B3);
    return std::nullopt;
}

} // namespace

EngineWrapperClass::EngineWrapperClass() = default;

bool EngineWrapperClass::bInitialize(OptionsClass& roOptions) {
    return guard("Initializing - EngineWrapperClass.bInitialize", [&] {
        release();
        check(com::ClassRegistry::createAs(corvane::kClsidEngine, moJ5Engine));
        sink_ = std::make_shared<corvane::EngineEventsTo<EngineWrapperClass>>(*this);
        const auto events = com::query<com::IConnectionPointContainer>(moJ5Engine);
        if (!events) throw vb::RuntimeError(com::E_NOINTERFACE, "The engine raises no events");
        check(events->Advise(corvane::kIidIEngineEvents, sink_, cookie_));
        options_ = &roOptions;
        configure(roOptions);
        initialised_ = true;
        clearStreams();
        lastCallProgressTone_ = lastCallProgressMode_ = lastAlertTone_ = lastAlertMode_ = 0;
    });
}

void EngineWrapperClass::configure(const OptionsClass& o) {
    auto& e = engine();
    const auto country = gCountryToToneTable(o.lAdvanced != 0 ? o.lTonesCadences : o.lCountry);
    check(e.put_nCountry(static_cast<std::int16_t>(country)));
    if (gDebugHelp()) {
        std::int16_t table = 0;
        check(e.get_nCountry(table));
        ui::showMessageBox("The Engine Tone Table = " + vb::decimalText(table));
    }
    if (const auto revision = protocolRevision(o.nXAVVersion)) check(e.put_nProtocolRevision(*revision));
    check(e.put_varVuruvMac(gMacTextToBytes(o.sVuruvMacAddress)));
    check(e.put_varVuruvIP(gIPTextToBytes(o.sVuruvIPAddress)));
    check(e.put_varLocalIP(gIPTextToBytes(o.sActiveRirovuruzIPAddress())));
    check(e.put_varGatewayIP(gIPTextToBytes(o.sActiveRirovuruzGateway())));
    check(e.put_varSubnetMask(gIPTextToBytes(o.sActiveRirovuruzSubnetMask())));
    check(e.put_bAllMulticast(toVariantBool(o.bAllMulticast)));
    // The Options dialog and the wizard both edit the forced-IP setting: it must reach the engine.
    check(e.put_bForceLevel3(toVariantBool(o.bForceLayer3)));
    // The engine joins the group only when given its 6 bytes.
    check(e.put_varSystemStateMCMAC(o.bUseMulticastMacAddress ? gMacTextToBytes(o.sMulticastMACAddress)
                                                              : com::Variant{}));
    check(e.put_nToneStrength(o.lToneVolume));
    check(e.put_nWaveShutdownDelay(o.nShutDownDelay));
    check(e.put_bShareWave(toVariantBool(o.bShareWave)));
    check(e.put_lBufferDelay(o.lAudioBufferSize));
    check(e.put_lBufferMultiplier(o.lAudioBufferMultiplier));
    check(e.put_nAdapter(o.nAdapterIndex));
    check(e.put_nRecordAdapter(o.nRecordAdapterIndex));
    check(e.put_nPlayAdapter(o.nPlayAdapterIndex));
}

void EngineWrapperClass::release() {
    if (moJ5Engine && cookie_ != com::kNoCookie) {
        if (const auto events = com::query<com::IConnectionPointContainer>(moJ5Engine))
            events->Unadvise(corvane::kIidIEngineEvents, cookie_);
    }
    cookie_ = com::kNoCookie;
    sink_.reset();
    moJ5Engine.reset();
    initialised_ = false;
}

void EngineWrapperClass::clearStreams() {
    timedStream_ = cycledStream_ = callProgressStream_ = alertStream_ = dtmfStream_ = 0;
}

void EngineWrapperClass::raise(const std::function<void(EngineWrapperEvents&)>& event) {
    // An observer may leave while handling the event; the others still get it.
    const auto observers = observers_;
    for (EngineWrapperEvents* observer : observers) {
        if (std::ranges::find(observers_, observer) != observers_.end()) event(*observer);
    }
}

void EngineWrapperClass::onInitReceived() {
    raise([](EngineWrapperEvents& o) { o.InitReceived(); });
}

void EngineWrapperClass::onKeyControlUpdate(com::VariantBool bProgUp, com::VariantBool bFixedUp,
                                            com::VariantBool bDTMFUp, com::VariantBool bProgDown,
                                            com::VariantBool bFixedDown, com::VariantBool bDTMFDown) {
    raise([&](EngineWrapperEvents& o) {
        o.KeyControlUpdate(bProgUp != 0, bFixedUp != 0, bDTMFUp != 0, bProgDown != 0, bFixedDown != 0, bDTMFDown != 0);
    });
}

void EngineWrapperClass::onLEDUpdate(std::int16_t nProgram, std::int16_t nSpeaker, std::int16_t nHandsFree,
                                     std::int16_t nVM, std::int16_t nFwdVM, const com::Variant& varLEDs) {
    raise([&](EngineWrapperEvents& o) { o.LEDUpdate(nProgram, nSpeaker, nHandsFree, nVM, nFwdVM, varLEDs); });
}

void EngineWrapperClass::onXAVDiscovered(const com::Variant& pvarMac, const com::Variant& pVarIP) {
    raise([&](EngineWrapperEvents& o) { o.XAVDiscovered(pvarMac, pVarIP); });
}

void EngineWrapperClass::onSystemDateUpdate(com::Date dtSystem) {
    raise([&](EngineWrapperEvents& o) { o.KEZSystemTime(dtSystem); });
}

void EngineWrapperClass::onAlertUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nCadence,
                                       std::int16_t nCycles) {
    const bool repeated = nMode == lastAlertMode_ && nTone == lastAlertTone_;
    lastAlertTone_ = nTone;
    lastAlertMode_ = nMode;
    if (!repeated) raise([&](EngineWrapperEvents& o) { o.AlertUpdate(nTone, nMode, nCadence, nCycles); });
}

void EngineWrapperClass::onCallProgressUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nDuration) {
    // The engine repeats the update with every state message; an endless tone already playing goes on.
    const bool repeated = nMode == lastCallProgressMode_ && nTone == lastCallProgressTone_ && nDuration == kEndless;
    lastCallProgressTone_ = nTone;
    lastCallProgressMode_ = nMode;
    if (!repeated) raise([&](EngineWrapperEvents& o) { o.CallProgressUpdate(nTone, nMode, nDuration); });
}

void EngineWrapperClass::onDisplayUpdate(std::int16_t nTODMode, const std::string& sLine1, const std::string& sLine2,
                                         std::int16_t nDeviceIdleStatus) {
    raise([&](EngineWrapperEvents& o) { o.DisplayUpdate(nTODMode, sLine1, sLine2, nDeviceIdleStatus); });
    gLogMessage("moJ5Engine_DisplayUpdate: " + sLine1);
    gLogMessage("moJ5Engine_DisplayUpdate: " + sLine2);
}

void EngineWrapperClass::onError(std::int32_t lNumber, const std::string& sDescription) {
    gLogError(lNumber, "Internal engine error", sDescription);
    raise([&](EngineWrapperEvents& o) { o.Error(lNumber, sDescription); });
}

void EngineWrapperClass::onPlayDTMFReceived(std::int16_t nID, const com::Variant& varCodes, const com::Variant&) {
    member("moJ5Engine_PlayDTMFReceived", [&] {
        // A request may arrive while an observer of the one before waits in a box.
        const auto outerRequest = std::exchange(dtmfRequest_, nID);
        const auto outerDeferred = std::exchange(dtmfCompletionDeferred_, false);
        raise([&](EngineWrapperEvents& o) { o.PlayDTMFReceived(varCodes); });
        const bool deferred = std::exchange(dtmfCompletionDeferred_, outerDeferred);
        dtmfRequest_ = outerRequest;
        if (!deferred) check(engine().DTMFPlayComplete(nID));
    });
}

std::function<void()> EngineWrapperClass::deferDTMFPlayComplete() {
    dtmfCompletionDeferred_ = true;
    return [this, nID = dtmfRequest_, alive = std::weak_ptr<const bool>(alive_)] {
        if (alive.expired() || !moJ5Engine) return;
        member("moJ5Engine_PlayDTMFReceived", [&] { check(engine().DTMFPlayComplete(nID)); });
    };
}

void EngineWrapperClass::onAutoIPComplete() {
    member("moJ5Engine_AutoIPComplete", [&] {
        com::Variant ip, mask, gateway;
        check(engine().get_varLocalIP(ip));
        check(engine().get_varSubnetMask(mask));
        check(engine().get_varGatewayIP(gateway));
        raise([&](EngineWrapperEvents& o) { o.AutoIPComplete(ip, mask, gateway); });
    });
}

void EngineWrapperClass::onResetReceived() {
    member("moJ5Engine_ResetReceived", [&] {
        check(engine().Stop());
        // Stop ends every stream: handles kept across it would name streams the restarted engine never made.
        clearStreams();
        check(engine().Start());
    });
}

} // namespace kez::ombrel
