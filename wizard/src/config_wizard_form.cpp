#include "config_wizard_form.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <utility>

#include "audio_buffer_form.h"
#include "audio_page.h"
#include "country_page.h"
#include "dialog_layout.h"
#include "done_page.h"
#include "ip_info_page.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "launchers.h"
#include "mac_info_page.h"
#include "mic_page.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/titles.h"
#include "override_ip_settings_form.h"
#include "sarvik_page.h"
#include "welcome_page.h"
#include "wizard_errors.h"

namespace kez::wizard {
namespace {

constexpr std::array<const char*, 8> kTabCaptions{"Welcome", "Audio",  "Mic",     "MAC Info",
                                                  "IP Info", "Sarvik", "Country", "Done!"};
constexpr std::int32_t kTestTimeMs = 7000;

} // namespace

// The cast names the private base that the override dialog reads the settings through.
ConfigWizardForm::ConfigWizardForm()
    : mOverrideIPSettingsForm(std::make_unique<OverrideIPSettingsForm>(static_cast<const WizardPageHost&>(*this))),
      mAudioBufferForm(std::make_unique<AudioBufferForm>()) {
    setObjectName(QStringLiteral("ConfigWizardForm"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    buildFrame();
}

ConfigWizardForm::~ConfigWizardForm() { Cleanup(); }

void ConfigWizardForm::buildFrame() {
    sstWizard = new QTabWidget;
    sstWizard->setObjectName(QStringLiteral("sstWizard"));
    // Every tab stays in sight: the window is as wide as the eight of them, never scrolled.
    sstWizard->setUsesScrollButtons(false);
    sstWizard->tabBar()->setExpanding(false);
    sstWizard->setElideMode(Qt::ElideNone);
    mMicPage = new MicPage(*this);
    mIpInfoPage = new IpInfoPage(*this);
    mMacInfoPage = new MacInfoPage(*this, *mIpInfoPage);
    mCountryPage = new CountryPage(*this);
    const std::array<QWidget*, 8> pages{new WelcomePage, new AudioPage(*this),         mMicPage,     mMacInfoPage,
                                        mIpInfoPage,     new SarvikPage(*mIpInfoPage), mCountryPage, new DonePage};
    for (std::size_t page = 0; page < pages.size(); ++page)
        sstWizard->addTab(pages[page], QString::fromLatin1(kTabCaptions[page]));
    // Adding the first tab reports a change of its own; only the user's and the code's later ones count.
    connect(sstWizard, &QTabWidget::currentChanged, this,
            [this](int page) { JumpToStateOfPage(static_cast<std::int16_t>(page)); });

    cmdBack = namedButton("cmdBack", QStringLiteral("<< &Back"));
    cmdNext = namedButton("cmdNext", QStringLiteral("&Next >>"));
    cmdFinish = namedButton("cmdFinish", QStringLiteral("&Finish"));
    cmdCancel = namedButton("cmdCancel", QStringLiteral("&Cancel"));
    lblVersion = new QLabel;
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    connect(cmdNext, &QPushButton::clicked, this, [this] { NextButton(); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { PrevButton(); });
    connect(cmdFinish, &QPushButton::clicked, this, [this] { cmdFinish_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    auto* buttons = buttonRow({cmdBack, cmdNext, cmdFinish, cmdCancel});
    buttons->insertWidget(0, lblVersion);
    addFrameLaunchers(*buttons, buttons->indexOf(lblVersion) + 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sstWizard);
    layout->addLayout(buttons);
}

bool ConfigWizardForm::bInitialize() {
    mbAdapterReset = false;
    const std::array<std::function<bool()>, 8> steps{
        [this] {
            moEngine = std::make_unique<ombrel::EngineWrapperClass>();
            moEngine->addObserver(*this);
            moOptions = std::make_unique<ombrel::OptionsClass>();
            return true;
        },
        [this] {
            setWindowTitle(QString::fromLatin1(ombrel::kWizardCaption.data(), ombrel::kWizardCaption.size()));
            Form_Load();
            return true;
        },
        [this] {
            moOptions->LoadSettings();
            return true;
        },
        [this] { return moEngine->bInitialize(*moOptions); },
        [this] { return mAudioBufferForm->bInitialize(*moEngine, *moOptions); },
        [this] {
            if (FillAdapterList()) return true;
            ombrel::gLogMessage("Wizard ended: no network adapter listed.");
            cmdCancel_Click(); // the window's unload, as its close box
            return false;
        },
        [this] {
            RefreshSettings();
            return true;
        },
        [this] {
            UpdateTabDialogState();
            UpdateTabDialogButtons();
            show();
            return true;
        },
    };
    for (std::size_t step = 0; step < steps.size();) {
        try {
            if (!steps[step]()) return false;
            ++step;
        } catch (...) {
            const WizardError error = currentError();
            // A stored adapter choice beyond its list: the three choices go back to the default adapter
            // once, and the step that found it runs again.
            if (error.number != vb::error::kInvalidPropertyValue || mbAdapterReset) {
                showErrorBox(error);
                return false;
            }
            ResetAdapterSelections();
            moOptions->LoadSettings();
            mbAdapterReset = true;
        }
    }
    return true;
}

void ConfigWizardForm::Form_Load() {
    lblVersion->setText(
        QStringLiteral("Version R%1.%2.%3").arg(KEZ_VERSION_MAJOR).arg(KEZ_VERSION_MINOR).arg(KEZ_VERSION_PATCH));
    mCountryPage->Form_Load();
    centreWhenLoaded(*this);
}

ombrel::OptionsClass* ConfigWizardForm::oOptions() const { return moOptions.get(); }
ombrel::EngineWrapperClass& ConfigWizardForm::engine() const { return *moEngine; }
OverrideIPSettingsForm& ConfigWizardForm::overrideIPSettingsForm() const { return *mOverrideIPSettingsForm; }
AudioBufferForm& ConfigWizardForm::audioBufferForm() const { return *mAudioBufferForm; }
MicrophoneTestForm& ConfigWizardForm::microphoneTestForm() const { return mMicPage->microphoneTestForm(); }
std::int32_t ConfigWizardForm::state() const { return mnState; }
bool ConfigWizardForm::busy() const { return mbAudioTestRunning; }
bool ConfigWizardForm::refreshing() const { return mbRefreshing; }
void ConfigWizardForm::enableFinish(bool enabled) { cmdFinish->setEnabled(enabled); }

void ConfigWizardForm::Cleanup() {
    if (moEngine) moEngine->removeObserver(*this);
    moEngine.reset();
    moOptions.reset();
}

void ConfigWizardForm::cmdFinish_Click() {
    if (heldWhileBusy(HeldEnd::Finish)) return;
    const bool ipEmpty = vb::trim(mIpInfoPage->serverAddress().toStdString()).empty();
    if (mIpInfoPage->forceLayer3() && ipEmpty) {
        ui::showMessageBox("Cannot force to layer 3 without the KEZ system IP Address.", "Error",
                           ui::Icon::Information);
        mnState = kIpInfoPage;
    } else if (!ipEmpty && !mIpInfoPage->bValidateIPPage()) {
        mnState = kIpInfoPage;
    } else if (!mMacInfoPage->bValidateMacPage()) {
        mnState = kMacInfoPage;
    } else {
        UpdateOptionsObject();
        SaveSettings();
        if (moOptions->bFinishCheckBox) startOmbrel();
        Cleanup();
        endProgram();
        return;
    }
    UpdateTabDialogState();
    UpdateTabDialogButtons();
}

void ConfigWizardForm::startOmbrel() {
    const auto program = ui::Launcher::partnerProgram("ombrel");
    if (ui::Launcher::startDetached(program, {"INTERNAL"})) return;
    ombrel::gLogError(0, "Shell", "Shell");
    ui::showMessageBox("Could not start " + program.string() + ".", {}, ui::Icon::Exclamation);
}

void ConfigWizardForm::cmdCancel_Click() {
    if (heldWhileBusy(HeldEnd::Cancel)) return;
    Cleanup();
    endProgram();
}

void ConfigWizardForm::endProgram() {
    mbEnded = true;
    hide();
    emit ended();
}

void ConfigWizardForm::closeEvent(QCloseEvent* event) {
    if (!mbEnded) cmdCancel_Click();
    // Held by a running test, the window stays until the test's end closes it.
    event->setAccepted(mbEnded);
}

void ConfigWizardForm::reject() {}

void ConfigWizardForm::AudioDriverTest(std::int16_t rnTone, std::int16_t rnAudioFormat) {
    if (busy()) return;
    {
        const QScopedValueRollback running(mbAudioTestRunning, true);
        moEngine->TestAudio(*moOptions, rnTone, rnAudioFormat, kTestTimeMs);
    }
    carryOutHeldEnd();
}

void ConfigWizardForm::StopMikeTest() { moEngine->StopMikeTest(); }

bool ConfigWizardForm::heldWhileBusy(HeldEnd end) {
    if (!busy()) return false;
    if (mHeldEnd == HeldEnd::None) mHeldEnd = end;
    return true;
}

void ConfigWizardForm::carryOutHeldEnd() {
    switch (std::exchange(mHeldEnd, HeldEnd::None)) {
    case HeldEnd::Finish: cmdFinish_Click(); break;
    case HeldEnd::Cancel: cmdCancel_Click(); break;
    case HeldEnd::None: break;
    }
}

void ConfigWizardForm::Error(std::int32_t lNumber, const std::string& sDescription) {
    ombrel::gReportError(lNumber, "Internal engine error", sDescription, true);
}

} // namespace kez::wizard
