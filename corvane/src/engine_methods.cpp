// The engine's methods: key presses and DTMF completions to the call server, call-server
// discovery and the diagnostic audio on an engine that is not started, and the local audio
// and IP configuration its cores carry out.
#include <ctime>

#include "engine_object.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"
#include "shared/reports.h"

namespace kez::corvane {
namespace {

const std::uint8_t kDiscoveryGroup[] = {224, 2, 224, 22};

} // namespace

HRESULT Engine::ButtonDown(std::int16_t nButton) {
    if (com::isVariantTrue(settings_.shareWave)) {
        if (const HRESULT hr = openWaveDevices(false); com::FAILED(hr)) return hr;
    }
    call_.keyPressed(nButton);
    return sendControlEvent(kEventKeyPress, nButton);
}

HRESULT Engine::DTMFPlayComplete(std::int16_t nID) { return sendControlEvent(kEventDtmfPlayComplete, nID); }

HRESULT Engine::sendControlEvent(KzSetEventId id, std::int16_t info1) {
    if (!endPoint_) return notStarted();
    const HRESULT hr = sendKzSetEvent(*endPoint_, controlEvent(state_.snapshot(), id, info1));
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IKzSetEventMsg::iid) : com::S_OK;
}

// Discovery opens the endpoint for listening only, joined to the call servers' discovery group.
// A running engine's endpoint is never replaced under its threads; an endpoint left by an
// earlier discovery is closed first, so none is advised or opened twice.
HRESULT Engine::StartAutoDiscover() {
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    closeEndPoint();
    control_.startDiscovery();
    state_.with([](SharedFields& f) { f.bound = false; });
    if (const HRESULT hr = startEndPoint(); com::FAILED(hr)) return hr;
    if (const HRESULT hr = openEndPoint(); com::FAILED(hr)) return hr;
    Variant group;
    HRESULT hr = com::MakeSafeArray(com::ElementType::UI1, kDiscoveryGroup, group);
    if (com::SUCCEEDED(hr)) hr = endPoint_->AddMulticastIP(group);
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IEndPoint::iid) : com::S_OK;
}

// Leaves a running engine's endpoint, and a pending IP probe, alone.
HRESULT Engine::StopAutoDiscover() { return run_ == Run::Stopped ? closeEndPoint() : com::S_OK; }

HRESULT Engine::StartAudioSend(const Variant& varMac) {
    call_.seedJitter(static_cast<std::uint32_t>(std::time(nullptr)));
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    return call_.startDiagnosticSend(varMac);
}

HRESULT Engine::StopAudioSend() { return call_.stopDiagnosticSend(); }

HRESULT Engine::StartAudioReceive(const Variant& varMac, std::int16_t) {
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    return call_.startDiagnosticReceive(varMac);
}

HRESULT Engine::StopAudioReceive() { return call_.stopDiagnosticReceive(); }

// Local audio.

HRESULT Engine::PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority,
                                 VariantBool bOverride, std::int32_t& lStream) {
    return localAudio_.playCallProgressTone(nTone, nDuration, lPriority, bOverride, lStream);
}

HRESULT Engine::PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                          VariantBool bOverride, std::int32_t& lStream) {
    return localAudio_.playAlert(nAlert, nCadence, nCycles, lPriority, bOverride, lStream);
}

HRESULT Engine::PlayDTMFTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap, std::int32_t lPriority,
                             VariantBool bOverride) {
    return localAudio_.playDtmfTone(nButton, nDuration, nGap, lPriority, bOverride);
}

HRESULT Engine::KillWaveStream(std::int32_t lStream) { return localAudio_.killStream(lStream); }

HRESULT Engine::ChangeVolume(std::int16_t nChange) { return localAudio_.changeVolume(nChange); }

HRESULT Engine::BeepSpeaker(std::int32_t lFrequency, std::int32_t lDuration) {
    return localAudio_.beep(lFrequency, lDuration);
}

HRESULT Engine::PlayTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                                  VariantBool bOverride, std::int32_t& lStream) {
    return localAudio_.playTimedWaveFile(sFileName, nDuration, lPriority, bOverride, lStream);
}

HRESULT Engine::PlayCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                                   VariantBool bOverride, std::int32_t& lStream) {
    return localAudio_.playCycledWaveFile(sFileName, nCycles, lPriority, bOverride, lStream);
}

HRESULT Engine::PlayWaveFile(const std::string& sFileName, std::int16_t nGap, std::int32_t lPriority,
                             VariantBool bOverride) {
    return localAudio_.playWaveFile(sFileName, nGap, lPriority, bOverride);
}

HRESULT Engine::CaptureMixerState(const std::string& sRegistryKey) {
    return localAudio_.captureMixerState(sRegistryKey);
}

HRESULT Engine::RestoreMixerState(const std::string& sRegistryKey) {
    return localAudio_.restoreMixerState(sRegistryKey);
}

HRESULT Engine::TestAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) {
    return localAudio_.testAudio(nTone, nRecordFormat, lTime);
}

HRESULT Engine::StartMikeTest() { return localAudio_.startMikeTest(); }

HRESULT Engine::StopMikeTest() { return localAudio_.stopMikeTest(); }

// IP configuration.

HRESULT Engine::GetIPFromRegistry() { return ipConfig_.fromFirstAdapter(); }

// A probe still pending is cancelled first.
HRESULT Engine::GetIPFromSocket() { return ipConfig_.probeCallServer(); }

HRESULT Engine::CancelAutoIPConfig() {
    ipConfig_.cancel();
    return com::S_OK;
}

} // namespace kez::corvane
