#pragma once
// ConfigWizardForm: the wizard's one main window, "KEZ Ombrel Configuration Wizard". Eight pages on the tab
// control `sstWizard`, one per wizard state, with Back, Next, Finish and Cancel below them. It shows the
// shared settings on the pages when the wizard opens, writes the pages back and starts ombrel on Finish,
// and ends the program on Finish, Cancel or its close box. The engine is created but never started: the
// pages use it only for lists, tests, discovery and the PC's addresses. Each page owns its controls and
// what they do; the window keeps the settings, the engine, the page flow and the settings' way to the pages.
#include <QDialog>

#include <cstdint>
#include <memory>

#include "ombrel/engine_wrapper.h"
#include "ombrel/options.h"
#include "wizard_page_host.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace kez::wizard {

class AudioBufferForm;
class CountryPage;
class IpInfoPage;
class MacInfoPage;
class MicPage;
class MicrophoneTestForm;
class OverrideIPSettingsForm;

// The wizard states, each the number of its page.
enum WizardPage : std::int16_t {
    kWelcomePage = 0,
    kAudioPage = 1,
    kMicPage = 2,
    kMacInfoPage = 3,
    kIpInfoPage = 4,
    kSarvikPage = 5,
    kCountryPage = 6,
    kDonePage = 7,
};

class ConfigWizardForm : public QDialog, private ombrel::EngineWrapperEvents, private WizardPageHost {
    Q_OBJECT

public:
    // Builds the window and its pages; nothing is read or shown until bInitialize.
    ConfigWizardForm();
    ~ConfigWizardForm() override;

    // The settings being edited; null once Cleanup ran.
    ombrel::OptionsClass* oOptions() const override;
    // The two dialogs whose controls the settings fill, one each for the wizard's life, and the microphone's.
    OverrideIPSettingsForm& overrideIPSettingsForm() const override;
    AudioBufferForm& audioBufferForm() const override;
    MicrophoneTestForm& microphoneTestForm() const;

    // Loads the settings, makes the engine, fills the lists and pages and shows the window: true when it is
    // shown. False when the wizard must end; a failure has then been shown or logged.
    bool bInitialize();
    // Releases the engine wrapper (and with it the engine) and the settings.
    void Cleanup();
    // Test save first; only when it succeeds the page controls go into the settings object.
    void UpdateOptionsObject();
    // The settings object to the registry, with "AutoLaunch" cleared.
    void SaveSettings();
    // The settings object into the page controls and the two dialogs' controls.
    void RefreshSettings();
    // "Sett&ings ..." enabled when overriding, "&Test ..." when not.
    void EnableOverrideSetting(bool rbOverride);

    // The page flow: Next and Back, a jump to a clicked tab, the buttons and the tab of the current state.
    void NextButton();
    void PrevButton();
    void JumpToStateOfPage(std::int16_t rnPage);
    void UpdateTabDialogButtons();
    void UpdateTabDialogState();
    // Sets the tab only; the tab control reports the change as it reports a click.
    void TurnToPage(std::int16_t rnPage);
    std::int32_t state() const;

    // The sound card test: `rnTone` of the engine's tone table for 7 s while recording in `rnAudioFormat`
    // (1 mu-law, 3 IMA ADPCM), with the settings object's audio values; returns when it has played.
    void AudioDriverTest(std::int16_t rnTone, std::int16_t rnAudioFormat) override;
    void StopMikeTest() override;
    // True while an audio test plays. Its wait delivers the user's clicks, so every handler that calls the
    // engine returns at once while busy; Finish, Cancel and the close box wait for the test's end.
    bool busy() const override;

signals:
    // Finish, Cancel, the close box or a start without network adapters ended the wizard; the program ends.
    void ended();

protected:
    // The close box: Cancel.
    void closeEvent(QCloseEvent* event) override;
    // Escape: nothing, so a stray key loses no work.
    void reject() override;

private:
    void buildFrame();
    ombrel::EngineWrapperClass& engine() const override;
    bool refreshing() const override;
    void enableFinish(bool enabled) override;

    void Form_Load();
    bool FillAdapterList();
    void ResetAdapterSelections();
    void cmdFinish_Click();
    void cmdCancel_Click();
    // While busy, keeps the first end asked for (true): it is carried out once the test returns.
    enum class HeldEnd { None, Finish, Cancel };
    bool heldWhileBusy(HeldEnd end);
    void carryOutHeldEnd();
    void startOmbrel();
    void endProgram();
    void Error(std::int32_t lNumber, const std::string& sDescription) override; // moEngine_Error

    std::int32_t mnState = kWelcomePage;
    std::unique_ptr<ombrel::OptionsClass> moOptions;
    std::unique_ptr<ombrel::EngineWrapperClass> moEngine;
    bool mbRefreshing = false;
    bool mbAdapterReset = false;
    bool mbEnded = false;
    bool mbAudioTestRunning = false;
    HeldEnd mHeldEnd = HeldEnd::None;
    std::unique_ptr<OverrideIPSettingsForm> mOverrideIPSettingsForm;
    std::unique_ptr<AudioBufferForm> mAudioBufferForm;

    QTabWidget* sstWizard = nullptr;
    MicPage* mMicPage = nullptr;
    IpInfoPage* mIpInfoPage = nullptr;
    MacInfoPage* mMacInfoPage = nullptr;
    CountryPage* mCountryPage = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdFinish = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblVersion = nullptr;
};

} // namespace kez::wizard
