// The engine's events as the user sees and hears them: the display and its clock line, the LEDs and their
// blinking, which key classes may be pressed, call-progress tones, ringing with the flashing display, DTMF,
// error boxes and the end of the automatic IP configuration.
#include <algorithm>
#include <chrono>
#include <thread>

#include "kez/sys/paths.h"
#include "kez/vb/date_format.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/timers_form.h"
#include "ombrel/ui_wrapper.h"

namespace kez::ombrel {
namespace {

constexpr std::int16_t kNoTone = 255;
constexpr std::int16_t kEndlessTone = -1;
// Tone 16 with a finite duration: the user-interface thread pauses after it.
constexpr std::int16_t kPausingTone = 16;
constexpr auto kPauseAfterTone = std::chrono::milliseconds(400);
constexpr std::int32_t kCallProgressPriority = 50;
constexpr std::int32_t kAlertPriority = 150;
constexpr int kFlashPeriodMs = 1000;
constexpr int kScrambledWaitMs = 2000;
constexpr std::int32_t kAudioComponentError = static_cast<std::int32_t>(0x80043001u);
constexpr std::int32_t kAutoIPFailure = static_cast<std::int32_t>(0x80004005u);
constexpr int kLineAppearances = 12;
constexpr KeyId kFirstLineAppearance = 65;
constexpr KeyId kProgramLed = 16;
constexpr KeyId kVoiceMailLed = 31;
constexpr KeyId kForwardToVoiceMailLed = 32;
constexpr std::int16_t kTwentyFourHourClock = 2;

bool lockedSet(std::int16_t idleStatus) { return idleStatus == 1 || idleStatus == 3; }

vb::DateTime calendarTime(com::Date date) {
    const auto time = com::calendarFromDate(date).value_or(com::CalendarTime{});
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

} // namespace

void UIWrapperClass::DisplayUpdate(std::int16_t nTODMode, const std::string& sLine1, const std::string& sLine2,
                                   std::int16_t nDeviceIdleStatus) {
    handleEngineEvent("moEngine_DisplayUpdate", [&] {
        mnDeviceIdleStatus_ = nDeviceIdleStatus;
        gLogMessage("moEngine_DisplayUpdate: " + sLine1);
        gLogMessage("moEngine_DisplayUpdate: " + sLine2);
        form_->SetDisplay(sLine1, sLine2);
        msToolTipText_ = sLine1 + " , " + sLine2;
        mnTODMode_ = nTODMode;
        mUpdateTime();
        if (oOptions().bDisplayIncomingPopUp) form_->show();
    });
}

com::Date UIWrapperClass::clockTime() {
    const com::Date now = services_.clock();
    // Until the call server has sent its date, the PC's own time stands in.
    if (!oOptions().bUseKEZSystemTime || !haveSystemDate_) return now;
    if (firstSystemReading_) {
        firstSystemReading_ = false;
        return systemDate_;
    }
    return com::Date{systemDate_.value + (now.value - systemDateArrival_.value)};
}

void UIWrapperClass::mUpdateTime() {
    const com::Date when = clockTime();
    if (mnTODMode_ == 0 || !form_) return;
    const auto text = lockedSet(mnDeviceIdleStatus_)
                          ? std::string("Locked")
                          : vb::formatDate(calendarTime(when), mnTODMode_ == kTwentyFourHourClock ? vb::kClock24Format
                                                                                                  : vb::kClock12Format);
    form_->SetDisplayLine1(text);
}

void UIWrapperClass::KeyControlUpdate(bool bProgUp, bool bFixedUp, bool bDTMFUp, bool bProgDown, bool bFixedDown,
                                      bool bDTMFDown) {
    handleEngineEvent("moEngine_KeyControlUpdate", [&] {
        keyUp_ = {bDTMFUp, bFixedUp, bProgUp};
        keyDown_ = {bDTMFDown, bFixedDown, bProgDown};
    });
}

void UIWrapperClass::InitReceived() {
    handleEngineEvent("moEngine_InitReceived", [&] {
        for (auto& button : colButtons_)
            button->bEnabled(true);
    });
}

ButtonInterface* UIWrapperClass::moLED(KeyId key) {
    auto* found = colLEDs_.find(keyTag(key));
    return found == nullptr ? nullptr : found->get();
}

std::shared_ptr<ButtonInterface> UIWrapperClass::moButton(KeyId key) {
    auto* found = colButtons_.find(keyTag(key));
    return found == nullptr ? nullptr : *found;
}

void UIWrapperClass::setLed(KeyId key, std::int16_t state) {
    auto* led = moLED(key);
    if (!led || led->eLEDState() == static_cast<LEDState>(state)) return;
    led->eLEDState(static_cast<LEDState>(state));
    mWakeBlinkTimer();
}

// The blink timer shows every change within one period and runs on only while an LED flashes.
void UIWrapperClass::mWakeBlinkTimer() {
    if (moTimerForm_ && !moTimerForm_->tmrArray(kBlinkTimer).isActive())
        moTimerForm_->tmrArray(kBlinkTimer).start(kBlinkPeriodMs);
}

bool UIWrapperClass::mbIsOffHook() {
    const auto* speaker = moLED(keyWithRole(KeyRole::Speaker));
    return speaker != nullptr && speaker->eLEDState() == LEDState::On;
}

void UIWrapperClass::LEDUpdate(std::int16_t nProgram, std::int16_t nSpeaker, std::int16_t nHandsFree, std::int16_t nVM,
                               std::int16_t nFwdVM, const com::Variant& varLEDs) {
    handleEngineEvent("moEngine_LEDUpdate", [&] {
        if (const auto* lines = varLEDs.get<com::SafeArray>()) {
            for (int i = 1; i <= kLineAppearances; ++i) {
                if (const auto state = lines->integerAt(i))
                    setLed(static_cast<KeyId>(kFirstLineAppearance - 1 + i), static_cast<std::int16_t>(*state));
            }
        }
        setLed(kProgramLed, nProgram);
        setLed(kForwardToVoiceMailLed, nFwdVM);
        setLed(kVoiceMailLed, nVM);
        setLed(keyWithRole(KeyRole::HandsFree), nHandsFree);
        // Hands-free is refused while the audio hardware is shared: the call server gets the key once more.
        if (nHandsFree == static_cast<std::int16_t>(LEDState::On) && moEngine_->bSharedWave())
            moEngine_->ButtonDown(keyWithRole(KeyRole::HandsFree));
        setLed(keyWithRole(KeyRole::Speaker), nSpeaker);
        if (mbIsOffHook()) {
            form_->SetPhoneBusy(false);
            return;
        }
        moEngine_->bMute(false);
        setLed(keyWithRole(KeyRole::Mute), static_cast<std::int16_t>(LEDState::Off));
        form_->SetPhoneBusy(true);
    });
}

void UIWrapperClass::mRefreshLEDs() {
    for (auto& led : colLEDs_)
        led->RefreshLEDForStep(mnBlinkStep_);
    mnBlinkStep_ = static_cast<std::int16_t>((mnBlinkStep_ + 1) % kBlinkSteps);
    const bool flashing = std::any_of(colLEDs_.begin(), colLEDs_.end(), [](const auto& led) {
        return led->eLEDState() == LEDState::SlowFlash || led->eLEDState() == LEDState::FastFlash;
    });
    if (!flashing && moTimerForm_) moTimerForm_->tmrArray(kBlinkTimer).stop();
}

void UIWrapperClass::CallProgressUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nDuration) {
    handleEngineEvent("moEngine_CallProgressUpdate", [&] {
        moEngine_->StopCallProgTone();
        if (nMode >= 1 && nTone != kNoTone)
            moEngine_->PlayCallProgTone(nTone, nDuration, kCallProgressPriority, nMode == 1);
        if (nTone == kPausingTone && nDuration >= 1 && nDuration != kEndlessTone)
            std::this_thread::sleep_for(kPauseAfterTone);
    });
}

void UIWrapperClass::AlertUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nCadence, std::int16_t nCycles) {
    handleEngineEvent("moEngine_AlertUpdate", [&] {
        moEngine_->StopAlert();
        mStopLCDFlash();
        if (nMode <= 0) return;
        moEngine_->PlayAlert(nTone, nCadence, nCycles, kAlertPriority, nMode == 2);
        mStartLCDFlash();
        moEngine_->BeepSpeaker(oOptions().lBeepFrequency, oOptions().lBeepDuration);
        // The only call that does not force the window up: the user may not want it to pop up.
        ActivateUI(false);
    });
}

void UIWrapperClass::mStartLCDFlash() {
    mbLCDFlashing_ = true;
    if (oOptions().bDisplayIncomingPopUp) {
        form_->show();
        moTimerForm_->modifyTrayIcon("KEZ Ombrel", "Incoming Call");
    }
    form_->FlipLCDState();
    moTimerForm_->tmrArray(kFlashTimer).start(kFlashPeriodMs);
}

void UIWrapperClass::mStopLCDFlash() {
    if (!mbLCDFlashing_) return;
    moTimerForm_->tmrArray(kFlashTimer).stop();
    mbLCDFlashing_ = false;
    form_->RestoreLCDState();
    if (oOptions().bDisplayIncomingPopUp) moTimerForm_->modifyTrayIcon("", "");
}

void UIWrapperClass::mPlayDTMF(std::int16_t nKey) {
    if (oOptions().bClickDTMF) {
        const auto click = (sys::dataDir() / "SOUND" / "click.WAV").string();
        // The wrapper passes over a missing file without a word; a silent key must leave a trace.
        if (!gFileExists(click)) gLogMessage("mPlayDTMF: the key click " + click + " is missing");
        moEngine_->PlayWaveFile(click, kDtmfGapMs, kDtmfPriority, true);
        return;
    }
    moEngine_->PlayDTMFTone(nKey, kDtmfDurationMs, kDtmfGapMs, kDtmfPriority, true);
}

void UIWrapperClass::Error(std::int32_t lNumber, const std::string& sDescription) {
    handleEngineEvent("moEngine_Error", [&] {
        if (lNumber == kAudioComponentError) {
            if (!mbAudioErrorNotShown_) return;
            // Cleared before the box: more errors arrive while it shows.
            mbAudioErrorNotShown_ = false;
            moEngine_->DisplayEngineError(lNumber, "Audio component", sDescription);
            return;
        }
        if (!mbAutoIPStart_) return;
        if (lNumber == kAutoIPFailure && !mbAutoIPFailurePending_) {
            // A single failure is not told: only a second one within the wait is.
            mbAutoIPFailurePending_ = true;
            moTimerForm_->tmrScrambledWait().start(kScrambledWaitMs);
            return;
        }
        mbAutoIPFailurePending_ = false;
        moEngine_->DisplayEngineError(lNumber, "Auto IP Configuration", sDescription);
    });
}

void UIWrapperClass::AutoIPComplete(com::Variant& ip, com::Variant& mask, com::Variant& gateway) {
    handleEngineEvent("moEngine_AutoIPComplete", [&] {
        // The configuration is over: later engine errors are not its failures.
        mbAutoIPStart_ = false;
        mbAutoIPFailurePending_ = false;
        if (!moEngine_->bStart()) return;
        auto& options = oOptions();
        options.bInitializedProperly(true);
        options.sLocalIP = gBytesToIPText(ip);
        options.sSubnet = gBytesToIPText(mask);
        options.sGateway = gBytesToIPText(gateway);
    });
}

void UIWrapperClass::KEZSystemTime(com::Date dtSystem) {
    handleEngineEvent("moEngine_KEZSystemTime", [&] {
        systemDate_ = dtSystem;
        haveSystemDate_ = true;
        firstSystemReading_ = true;
        systemDateArrival_ = services_.clock();
    });
}

} // namespace kez::ombrel
