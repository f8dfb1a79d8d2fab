// Key presses and releases of the phone forms: what reaches the engine (by the call server's key control),
// the local DTMF feedback, mute, the refused hands-free key, the button properties; the Options dialog and
// the forms' menu commands; the mixer switch between the set's and the PC's settings.
#include "kez/sys/paths.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/options.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/ui_wrapper.h"

namespace kez::ombrel {
namespace {

std::size_t typeIndex(ButtonType type) { return static_cast<std::size_t>(type); }

bool validType(ButtonType type) {
    return type == ButtonType::DialPad || type == ButtonType::FixedFeature || type == ButtonType::Programmable;
}

} // namespace

void UIWrapperClass::mButtonDown(std::int16_t button, KeyId id) {
    handle("mButtonDown", [&] {
        const auto key = moButton(id);
        if (!key) return;
        QLineEdit* labelBox = form_->oTextboxFromID(id);
        const KeyRole role = keyRole(key->nKeyId());
        if (role == KeyRole::HandsFree && moEngine_->bSharedWave()) {
            ui::showMessageBox(
                "Handsfree is disabled when \"share audio hardware\" is enabled in the \"options dialog\".", {},
                ui::Icon::Information);
            return;
        }
        const ButtonType type = key->eButtonType();
        if (button == kRightMouseButton) {
            if (type == ButtonType::Programmable) services_.dialogs->showButtonProperties(key, labelBox);
            return;
        }
        if (button != kLeftMouseButton || key->bButtonPressed()) return;
        key->bButtonPressed(true);
        key->ImagePushDown();
        if (type == ButtonType::DialPad && mbIsOffHook()) mPlayDTMF(key->nKeyId());
        if (role == KeyRole::Mute) return mToggleMute();
        if (validType(type) && keyDown_[typeIndex(type)]) moEngine_->ButtonDown(key->nKeyId());
    });
}

void UIWrapperClass::mToggleMute() {
    // Muting is the set's own affair: the call server never hears of it.
    if (!mbIsOffHook()) return;
    ButtonInterface* led = moLED(keyWithRole(KeyRole::Mute));
    if (led == nullptr) return;
    const bool muted = led->eLEDState() == LEDState::Off;
    led->eLEDState(muted ? LEDState::On : LEDState::Off);
    mWakeBlinkTimer();
    moEngine_->bMute(muted);
}

void UIWrapperClass::mButtonUp(KeyId id) {
    handle("mButtonUp", [&] {
        const auto key = moButton(id);
        if (!key) return;
        key->bButtonPressed(false);
        key->ImagePushUp();
        const ButtonType type = key->eButtonType();
        if (validType(type) && keyUp_[typeIndex(type)]) moEngine_->ButtonUp(key->nKeyId());
    });
}

void UIWrapperClass::moForm_DisplayOptions() {
    handle("moForm_DisplayOptions", [this] {
        if (mbIsOffHook()) {
            ui::showMessageBox("Please hangup before using \"Options\".", {}, ui::Icon::Information);
            return;
        }
        const auto outcome = services_.dialogs->showOptions(*this);
        if (outcome.bLaunchWizard) {
            LaunchWizard(true);
        } else if (outcome.bDirty) {
            mReInitialize();
        }
    });
}

void UIWrapperClass::LaunchReleaseNotes() {
    gRunLogged("UIWrapperClass.LaunchReleaseNotes",
               [] { gLaunchWebBrowser((sys::dataDir() / "readme.html").string()); });
}

void UIWrapperClass::TestBeep(std::int32_t rlFrequency, std::int32_t rlDuration) {
    gRunLogged("UIWrapperClass.TestBeep", [&] {
        if (moEngine_) moEngine_->BeepSpeaker(rlFrequency, rlDuration);
    });
}

bool UIWrapperClass::InitializeMixerState() {
    bool captured = false;
    gRunLogged("UIWrapperClass.InitializeMixerState",
               [&] { captured = moEngine_ && moEngine_->CaptureMixerState(settingsKey("MixerInternal")); });
    return captured;
}

void UIWrapperClass::SetMixerState() {
    gRunLogged("UIWrapperClass.SetMixerState", [this] {
        if (moEngine_) moEngine_->RestoreMixerState(settingsKey("MixerExternal"));
    });
}

void UIWrapperClass::RestoreMixerState() {
    gRunLogged("UIWrapperClass.RestoreMixerState", [this] {
        if (!moEngine_) return;
        moEngine_->CaptureMixerState(settingsKey("MixerExternal"));
        moEngine_->RestoreMixerState(settingsKey("MixerInternal"));
    });
}

void UIWrapperClass::mCheckMixerSwitch() {
    // Once per change of the active window, not on every tick: each switch captures or restores a snapshot.
    if (!oOptions().bControlMixer || !form_) return;
    const bool active = form_->isActiveWindow();
    if (active == mixerIsInternal_) return;
    mixerIsInternal_ = active;
    if (active) {
        RestoreMixerState();
    } else {
        SetMixerState();
    }
}

} // namespace kez::ombrel
