// The messages of a bound call server: UI state (LEDs, keys, display, tone and alert), the
// LED map, DTMF to play and its commands. Each is accepted only from the bound call server
// with the engine's revision, and takes its device handle.
#include "control_handlers.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "linkor/end_point.h"
#include "sonwell/wave_play.h"

namespace kez::corvane {

bool ControlHandlers::accepts(const ControlOrigin& origin) {
    const SharedFields f = state_.snapshot();
    if (!f.bound || !com::ArraysEqual(origin.sourceMac, f.vuruvMac)) return false;
    if (origin.revision != f.protocolRevision) {
        services_.postError(corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol UI State");
        return false;
    }
    state_.with([&](SharedFields& shared) { shared.deviceHandle = origin.deviceHandle; });
    return true;
}

// A message refused for its revision is not kept: its LEDs would show on the next refresh
// and the call server would get it back on request.
void ControlHandlers::uiState(UiStateMessage message) {
    if (!accepts(message.origin)) return;
    keptUiState_ = std::move(message);
    if (openSharedDevices()) postUiUpdates(*keptUiState_);
    // Call-progress tone 0 with a mode ends a page being received, updates or not.
    if (keptUiState_->tone == 0 && keptUiState_->toneMode > 0) services_.endPage();
}

// A page being received keeps the set from ringing.
void ControlHandlers::postUiUpdates(const UiStateMessage& m) {
    postLeds();
    services_.post({kMsgKeyControlUpdate, m.keyControl, 0, {}});
    services_.post({kMsgDisplayUpdate, 0, 0, apt::Payload::of(m.display)});
    services_.post(
        {kMsgCallProgressUpdate, 0, 0, apt::Payload::of(CallProgressTone{m.tone, m.toneMode, m.toneDuration})});
    const std::int16_t alertMode = services_.pageActive() ? 0 : m.alertMode;
    services_.post(
        {kMsgAlertUpdate, 0, 0, apt::Payload::of(AlertSignal{m.alertTone, alertMode, m.alertCadence, m.alertCycles})});
}

// In shared-wave mode the devices open with the first state update; a device that does not
// open stops the update with an error, play and record alike.
bool ControlHandlers::openSharedDevices() {
    if (!services_.sharedWave()) return true;
    if (const com::HRESULT hr = services_.openPlayDevice(); com::FAILED(hr)) {
        services_.postCalleeError(hr, sonwell::IWavePlay::iid);
        return false;
    }
    if (com::FAILED(services_.openRecordDevice())) {
        services_.postError(corvaneError(ENGINE_WAVEFILE_ERROR), "Failed to open sound device for recording.");
        return false;
    }
    return true;
}

void ControlHandlers::postLeds() {
    if (!keptUiState_) return;
    if (com::FAILED(keptUiState_->ledsRead)) {
        services_.postError(keptUiState_->ledsRead, "GetSafeArray Failure");
        return;
    }
    services_.post({kMsgLedUpdate, 0, 0, apt::Payload::of(unpackLeds(keptUiState_->leds, ledMap_, ledArrays_))});
}

void ControlHandlers::refreshLeds() {
    if (!services_.sharedWave() || services_.waveDevicesOpen()) postLeds();
}

void ControlHandlers::ledMapping(const ControlOrigin& origin, const LedMap& map) {
    if (!accepts(origin)) return;
    ledMap_ = map;
    refreshLeds();
}

void ControlHandlers::playDtmf(const ControlOrigin& origin, com::Ptr<com::Object> message) {
    if (!accepts(origin)) return;
    services_.post({kMsgPlayDtmfReceived, 0, 0, apt::Payload::of(std::move(message))});
}

void ControlHandlers::command(const ControlOrigin& origin, std::int16_t command, std::int16_t qualifier) {
    if (!accepts(origin)) return;
    if (command == kCommandReset) {
        services_.post({kMsgResetReceived, 0, 0, {}});
    } else if (command == kCommandStatusNow) {
        services_.wakeStatus();
    } else if (command == kCommandSendAgain) {
        sendAgain(qualifier);
    }
}

void ControlHandlers::sendAgain(std::int16_t qualifier) {
    com::Ptr<com::Object> kept;
    if (qualifier == kQualifierUiState && keptUiState_) kept = keptUiState_->object;
    if (qualifier == kQualifierCallState) kept = services_.keptCallState();
    if (!kept) return;
    if (const com::HRESULT hr = services_.sendToCallServer(kept); com::FAILED(hr))
        services_.postCalleeError(hr, linkor::IEndPoint::iid);
}

} // namespace kez::corvane
