#pragma once
// UIWrapperClass: the application controller of ombrel. It brings the set up (single instance, settings, the
// hand-over to the wizard, the phone form, the timers and tray icon, the engine), turns the engine's events
// into what the phone form shows and plays, decides which key presses reach the engine, and takes the set
// down again for a restart, the wizard or the end of the program. Everything runs on the GUI thread.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "kez/com/date.h"
#include "ombrel/button_interface.h"
#include "ombrel/controller_dialogs.h"
#include "ombrel/delete_later.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/options_owner.h"
#include "ombrel/phone_form.h"

namespace kez::ombrel {

class DtmfListPlayer;
class OptionsClass;
class TimersForm;

// A DTMF digit the set plays: its tone, the silence after it, and its play priority.
inline constexpr std::int16_t kDtmfDurationMs = 128;
inline constexpr std::int16_t kDtmfGapMs = 50;
inline constexpr std::int32_t kDtmfPriority = 100;

// The present local date and time.
com::Date presentDate();

struct UIWrapperServices {
    PhoneFormFactory forms;
    std::shared_ptr<ControllerDialogs> dialogs;
    // The PC's clock, read by the clock line and the call server's time.
    std::function<com::Date()> clock = presentDate;
    // Ends the program (leaves its event loops); the controller has cleaned up before.
    std::function<void()> endProgram;
};

class UIWrapperClass : public QObject, public PhoneFormOwner, public OptionsOwner, private EngineWrapperEvents {
    Q_OBJECT

public:
    explicit UIWrapperClass(UIWrapperServices services);
    ~UIWrapperClass() override;

    // Start-up: true when the engine was started, or the automatic IP configuration that starts it was.
    bool bInitialize(bool checkInstances);
    void Show();
    // Takes down what bInitialize made: timers, tray icon, engine, forms.
    void CleanUp();
    // Starts the configuration wizard with "INTERNAL"; with `endProgram` this program cleans up and ends.
    void LaunchWizard(bool endProgram);

    // PhoneFormOwner.
    OptionsClass& oOptions() override;
    ButtonCollection& colButtons() override { return colButtons_; }
    void UserFileExit() override;
    void Shutdown() override;
    void ActivateUI(bool bForce) override;
    void PopupSysMenu(bool bShowRestore) override;
    void LaunchReleaseNotes() override;
    bool bTrayIconShown() const override;

    // OptionsOwner.
    void TestBeep(std::int32_t rlFrequency, std::int32_t rlDuration) override;
    // Captures the mixer as the set's own ("MixerInternal"); false when that failed or there is no engine.
    bool InitializeMixerState() override;
    bool bEngineExists() const override { return moEngine_ != nullptr; }
    // The PC's mixer back ("MixerExternal"), and the set's in place of it (keeping the PC's first).
    void SetMixerState();
    void RestoreMixerState();

    // What the controller holds, for the program and tests; null when not made (yet).
    PhoneForm* phoneForm() const { return form_.get(); }
    TimersForm* timerForm() const { return moTimerForm_.get(); }
    EngineWrapperClass* engineWrapper() const { return moEngine_.get(); }
    ButtonCollection& colLEDs() { return colLEDs_; }
    DtmfListPlayer& dtmfList() const { return *dtmfList_; }
    bool bAutoIPInProgress() const { return mbAutoIPStart_; }
    bool bAutoIPFailurePending() const { return mbAutoIPFailurePending_; }

private:
    class HandlerScope;
    using FormPtr = LaterPtr<PhoneForm>;
    using TimersPtr = LaterPtr<TimersForm>;

    // Start-up and take-down (ui_wrapper.cpp).
    bool initialize(bool checkInstances);
    // Start-up's Options dialog; false when the program is to end.
    bool startUpOptions();
    void createForm();
    void createTimerForm();
    void mReInitialize();
    void endProgram();
    void releaseEngine();

    // Runs a handler of an engine event, a form, a timer or the tray. An error is logged under
    // "UIWrapperClass.<name>" and the handler ends there; nothing runs once the program ends.
    void handle(std::string_view name, const std::function<void()>& body);
    void handleEngineEvent(std::string_view name, const std::function<void()>& body);
    // Releases the retired engines and ends a pending shut-down, once no handler runs.
    void finishPending();
    void closeModalWindows();
    // CleanUp and the end of the program; later when a handler runs below.
    void endSet();

    // Engine events (ui_wrapper_events.cpp).
    void AlertUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nCadence, std::int16_t nCycles) override;
    void AutoIPComplete(com::Variant& ip, com::Variant& mask, com::Variant& gateway) override;
    void CallProgressUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nDuration) override;
    void DisplayUpdate(std::int16_t nTODMode, const std::string& sLine1, const std::string& sLine2,
                       std::int16_t nDeviceIdleStatus) override;
    void Error(std::int32_t lNumber, const std::string& sDescription) override;
    void InitReceived() override;
    void KeyControlUpdate(bool bProgUp, bool bFixedUp, bool bDTMFUp, bool bProgDown, bool bFixedDown,
                          bool bDTMFDown) override;
    void LEDUpdate(std::int16_t nProgram, std::int16_t nSpeaker, std::int16_t nHandsFree, std::int16_t nVM,
                   std::int16_t nFwdVM, const com::Variant& varLEDs) override;
    void PlayDTMFReceived(const com::Variant& varCodes) override;
    void KEZSystemTime(com::Date dtSystem) override;

    void mUpdateTime();
    com::Date clockTime();
    void mStartLCDFlash();
    void mStopLCDFlash();
    void mPlayDTMF(std::int16_t nKey);
    // The call server's lists, played by dtmfList_ (ui_wrapper_dtmf.cpp).
    std::unique_ptr<DtmfListPlayer> makeDtmfList();
    std::chrono::milliseconds mStartListDigit(std::int16_t nKey);
    void mEndListDigit();
    void mRefreshLEDs();
    void setLed(KeyId key, std::int16_t state);
    void mWakeBlinkTimer();
    bool mbIsOffHook();
    ButtonInterface* moLED(KeyId key);
    std::shared_ptr<ButtonInterface> moButton(KeyId key);

    // Keys and the mixer (ui_wrapper_keys.cpp).
    void mButtonDown(std::int16_t button, KeyId key);
    void mButtonUp(KeyId key);
    void mToggleMute();
    void moForm_DisplayOptions();
    void mCheckMixerSwitch();

    // Tray, timers, window (ui_wrapper_window.cpp).
    void moTimerForm_Timeout(int index);
    void moTimerForm_ScrambledAudioTimer();
    void mAddToSystemTray();
    void mRemoveFromSystemTray();
    void mCloseScreenSaver();
    void mSaveWindowPosition();
    void mReadWindowPosition();
    bool mbQueryExit();
    void mCancelOptionsDialog();

    UIWrapperServices services_;
    std::unique_ptr<OptionsClass> options_;
    FormPtr form_;
    ButtonCollection colButtons_;
    ButtonCollection colLEDs_;
    // Key control by ButtonType: whether a release and a press of that class reach the engine.
    std::array<bool, 3> keyUp_{true, true, true};
    std::array<bool, 3> keyDown_{true, true, true};
    std::unique_ptr<EngineWrapperClass> moEngine_;
    // Engines let go of inside a handler (from a box's event loop): released once the handlers returned.
    std::vector<std::unique_ptr<EngineWrapperClass>> retiredEngines_;
    TimersPtr moTimerForm_;
    std::unique_ptr<DtmfListPlayer> dtmfList_;

    bool mbAudioErrorNotShown_ = true;
    bool mbAutoIPStart_ = false;
    bool mbAutoIPFailurePending_ = false;
    bool mbLCDFlashing_ = false;
    std::int16_t mnBlinkStep_ = 0;
    std::int16_t mnTODMode_ = 0;
    std::int16_t mnDeviceIdleStatus_ = 0;
    std::string msToolTipText_;
    // The call server's date, when it came (PC time), and whether the next reading is the first.
    bool haveSystemDate_ = false;
    bool firstSystemReading_ = false;
    com::Date systemDate_;
    com::Date systemDateArrival_;
    // The set's mixer settings are in place (its window was the active one at the last check).
    bool mixerIsInternal_ = false;
    int handlerDepth_ = 0;
    int engineEventDepth_ = 0;
    bool ending_ = false;
    bool shutdownPending_ = false;
};

} // namespace kez::ombrel
