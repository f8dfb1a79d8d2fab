// The controller's start-up and take-down: bInitialize's steps in order, the Options dialog of a start that
// did not reach a running engine, the restart after changed options, the hand-over to the wizard and the end.
#include "ombrel/ui_wrapper.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "kez/reg/write_batch.h"
#include "kez/ui/instance_beacon.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/date_format.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/dtmf_list_player.h"
#include "ombrel/options.h"
#include "ombrel/process_priority.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/timers_form.h"

namespace kez::ombrel {
namespace {

constexpr int kClockPeriodMs = 10000;
// What "Type" becomes when it names no face.
constexpr std::int16_t kSmallFace = 2;
constexpr int kModalPollMs = 10;

} // namespace

com::Date presentDate() {
    const auto now = vb::localNow();
    return com::dateFromCalendar({now.year, now.month, now.day, now.hour, now.minute, now.second, 0})
        .value_or(com::Date{});
}

UIWrapperClass::UIWrapperClass(UIWrapperServices services)
    : services_(std::move(services)), dtmfList_(makeDtmfList()) {}

UIWrapperClass::~UIWrapperClass() {
    ending_ = true;
    shutdownPending_ = false;
    CleanUp();
    finishPending();
}

OptionsClass& UIWrapperClass::oOptions() {
    if (!options_) options_ = std::make_unique<OptionsClass>();
    return *options_;
}

// Counts a handler (or the start-up) as running while it lives. What had to wait for every frame that may still
// be inside the engine, a form or a box goes once the last has returned to the event loop.
class UIWrapperClass::HandlerScope {
public:
    explicit HandlerScope(UIWrapperClass& owner) : owner_(owner) { ++owner_.handlerDepth_; }
    ~HandlerScope() {
        if (--owner_.handlerDepth_ > 0 || (!owner_.shutdownPending_ && owner_.retiredEngines_.empty())) return;
        QMetaObject::invokeMethod(
            &owner_, [owner = &owner_] { owner->finishPending(); }, Qt::QueuedConnection);
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    UIWrapperClass& owner_;
};

void UIWrapperClass::handle(std::string_view name, const std::function<void()>& body) {
    if (ending_) return;
    const HandlerScope scope(*this);
    gRunLogged("UIWrapperClass." + std::string(name), body);
}

void UIWrapperClass::handleEngineEvent(std::string_view name, const std::function<void()>& body) {
    ++engineEventDepth_;
    handle(name, body);
    --engineEventDepth_;
}

void UIWrapperClass::finishPending() {
    if (handlerDepth_ > 0) return;
    for (auto& engine : retiredEngines_)
        engine->Deinitialize();
    retiredEngines_.clear();
    if (!shutdownPending_) return;
    shutdownPending_ = false;
    CleanUp();
    if (services_.endProgram) services_.endProgram();
}

void UIWrapperClass::closeModalWindows() {
    if (handlerDepth_ == 0) return;
    // The boxes and dialogs the handlers below wait in: each closes as its Cancel would.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    QTimer::singleShot(kModalPollMs, this, [this] { closeModalWindows(); });
}

bool UIWrapperClass::bInitialize(bool checkInstances) {
    bool started = false;
    {
        // A shut-down asked from the start-up's Options dialog waits until start-up has returned.
        const HandlerScope scope(*this);
        gRunLogged("UIWrapperClass.bInitialize", [&] { started = initialize(checkInstances); });
    }
    return started && !ending_;
}

bool UIWrapperClass::initialize(bool checkInstances) {
    mbAudioErrorNotShown_ = true;
    if (checkInstances) {
        if (!gPreventMultipleInstances(true)) return false;
        // A later copy asks this one to the front.
        if (auto* beacon = instanceBeacon()) {
            connect(beacon, &ui::InstanceBeacon::activateRequested, this,
                    [this] { handle("ActivateRequested", [this] { ActivateUI(true); }); });
        }
    }
    auto& options = oOptions();
    options.LoadSettings();
    if (options.bLaunchWizard) {
        LaunchWizard(true);
        return false;
    }
    if (!options.bInitializedProperly() && !startUpOptions()) return false;
    options.bInitializedProperly(false);
    createForm();
    for (auto& button : colButtons_)
        button->bEnabled(false);
    mReadWindowPosition();
    if (!setProcessPriority(options.nProcessPriorityLevel)) {
        ui::showMessageBox("Failed to set the application priority level.", {}, ui::Icon::Exclamation);
    }
    form_->SetPhoneBusy(false);
    form_->SetDisplay("KEZ Ombrel", "Waiting for Init");
    createTimerForm();
    keyUp_.fill(true);
    keyDown_.fill(true);
    moEngine_ = std::make_unique<EngineWrapperClass>();
    moEngine_->addObserver(*this);
    moTimerForm_->tmrArray(kClockTimer).start(kClockPeriodMs);
    mWakeBlinkTimer();
    mAddToSystemTray();
    if (!moEngine_->bInitialize(options)) return false;
    if (options.bReadIPInfoAutomatically && !options.sVuruvIPAddress.empty()) {
        mbAutoIPStart_ = true;
        com::Variant local, mask, gateway;
        return moEngine_->bAutoConfigureIP(com::Variant{}, local, mask, gateway);
    }
    mbAutoIPStart_ = false;
    if (!moEngine_->bStart()) return false;
    options.bInitializedProperly(true);
    return true;
}

bool UIWrapperClass::startUpOptions() {
    const auto outcome = services_.dialogs->showOptions(*this);
    if (outcome.bLaunchWizard) {
        LaunchWizard(true);
        return false;
    }
    return !outcome.bCancel;
}

void UIWrapperClass::createForm() {
    auto& options = oOptions();
    if (options.nUIType != 0 && options.nUIType != 1 && options.nUIType != kSmallFace) options.nUIType = kSmallFace;
    form_ = FormPtr(options.nUIType == 0 ? services_.forms.simple().release()
                                         : services_.forms.graphical(options.nUIType).release());
    if (!form_) throw vb::RuntimeError(vb::error::kObjectNotSet, "The phone form could not be made");
    connect(form_.get(), &PhoneForm::ButtonDown, this,
            [this](std::int16_t button, KeyId key) { mButtonDown(button, key); });
    connect(form_.get(), &PhoneForm::ButtonUp, this, [this](KeyId key) { mButtonUp(key); });
    connect(form_.get(), &PhoneForm::DisplayOptions, this, [this] { moForm_DisplayOptions(); });
    colButtons_.clear();
    colLEDs_.clear();
    // Every labelled key stores its label again: one save.
    reg::WriteBatch batch;
    form_->Initialize(*this, colButtons_, colLEDs_);
}

void UIWrapperClass::createTimerForm() {
    moTimerForm_ = TimersPtr(new TimersForm);
    connect(moTimerForm_.get(), &TimersForm::Timeout, this, [this](int index) { moTimerForm_Timeout(index); });
    connect(moTimerForm_.get(), &TimersForm::Activate, this,
            [this] { handle("moTimerForm_Activate", [this] { ActivateUI(true); }); });
    connect(moTimerForm_.get(), &TimersForm::PopupMenu, this,
            [this] { handle("moTimerForm_PopupMenu", [this] { PopupSysMenu(true); }); });
    connect(moTimerForm_.get(), &TimersForm::ScrambledAudioTimer, this, [this] { moTimerForm_ScrambledAudioTimer(); });
    // The mixer follows the active window when it changes rather than by looking four times a second.
    connect(qApp, &QGuiApplication::focusWindowChanged, moTimerForm_.get(),
            [this] { handle("mCheckMixerSwitch", [this] { mCheckMixerSwitch(); }); });
}

void UIWrapperClass::Show() {
    handle("Show", [this] {
        mCancelOptionsDialog();
        if (form_) form_->show();
    });
}

void UIWrapperClass::CleanUp() {
    if (moTimerForm_) {
        moTimerForm_->stopTimers();
        mRemoveFromSystemTray();
    }
    // The PC's own mixer settings go back when the set's were in place.
    if (mixerIsInternal_ && moEngine_) SetMixerState();
    mixerIsInternal_ = false;
    releaseEngine();
    mbLCDFlashing_ = false;
    mbAutoIPStart_ = mbAutoIPFailurePending_ = false;
    if (form_) {
        disconnect(form_.get(), nullptr, this, nullptr);
        form_->hide();
    }
    colLEDs_.clear();
    colButtons_.clear();
    form_.reset();
    if (moTimerForm_) disconnect(moTimerForm_.get(), nullptr, this, nullptr);
    moTimerForm_.reset();
}

void UIWrapperClass::releaseEngine() {
    dtmfList_->stop();
    if (!moEngine_) return;
    moEngine_->removeObserver(*this);
    // Inside one of its own events the engine must outlive the event: it stops once that has returned.
    if (engineEventDepth_ == 0) moEngine_->Deinitialize();
    if (handlerDepth_ == 0) {
        moEngine_.reset();
        return;
    }
    retiredEngines_.push_back(std::move(moEngine_));
}

void UIWrapperClass::endProgram() {
    ending_ = true;
    if (services_.endProgram) services_.endProgram();
}

void UIWrapperClass::endSet() {
    if (handlerDepth_ == 0) {
        CleanUp();
        endProgram();
        return;
    }
    // Reached from a box or dialog that a handler waits in: the set goes once that handler has returned, so
    // nothing it still does finds the form or the engine gone. Until then it looks gone and hears nothing.
    if (ending_) return;
    ending_ = shutdownPending_ = true;
    if (form_) form_->hide();
    if (moTimerForm_) {
        moTimerForm_->stopTimers();
        mRemoveFromSystemTray();
    }
    closeModalWindows();
}

void UIWrapperClass::Shutdown() {
    mSaveWindowPosition();
    endSet();
}

void UIWrapperClass::UserFileExit() {
    gRunLogged("UIWrapperClass.UserFileExit", [this] {
        mSaveWindowPosition();
        if (mbQueryExit()) endSet();
    });
}

void UIWrapperClass::LaunchWizard(bool bEnd) {
    gRunLogged("UIWrapperClass.LaunchWizard", [&] {
        if (bEnd) {
            mSaveWindowPosition();
            if (form_) form_->hide();
            CleanUp();
        }
        const auto wizard = ui::Launcher::partnerProgram("wizard");
        if (!ui::Launcher::startDetached(wizard, {"INTERNAL"})) {
            gReportError(vb::error::kFileNotFound, "UIWrapperClass.LaunchWizard",
                         "The configuration wizard could not be started: " + wizard.string(), true);
        }
    });
    if (bEnd) endProgram();
}

void UIWrapperClass::mReInitialize() {
    const auto answer = ui::showMessageBox("These settings will be activated the next time you start KEZ Ombrel"
                                           "\r\n\r\nRestart now?",
                                           "Restart?", ui::Icon::Question, ui::Buttons::YesNo);
    if (answer != ui::Answer::Yes || ending_) return;
    mSaveWindowPosition();
    if (form_) form_->hide();
    CleanUp();
    if (!bInitialize(false)) {
        CleanUp();
        endProgram();
        return;
    }
    Show();
}

} // namespace kez::ombrel
