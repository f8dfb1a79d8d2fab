// The pages that check the sound card before the telephone uses it: "Audio" plays dial tone while recording
// in each of the telephone's two formats, "Mic" plays the microphone back until the user stops it. Both open
// the audio buffer dialog. While a test plays, its wait delivers clicks: the engine's buttons are then
// ignored and the wizard's end waits, so the engine is never released under a running test.
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <utility>

#include "audio_buffer_form.h"
#include "config_wizard_form.h"
#include "dialog_layout.h"
#include "microphone_test_form.h"

namespace kez::wizard {
namespace {

constexpr std::int16_t kDialTone = 0;
constexpr std::int16_t kMuLaw = 1;
constexpr std::int16_t kImaAdpcm = 3;
constexpr std::int32_t kTestTimeMs = 7000;

QWidget* audioPage(std::initializer_list<QString> texts, std::initializer_list<QPushButton*> buttons) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (const auto& text : texts)
        layout->addWidget(pageText(text));
    for (QPushButton* button : buttons)
        layout->addWidget(button, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return page;
}

} // namespace

QWidget* ConfigWizardForm::buildAudioPage() {
    cmdMulawAudioTest = namedButton("cmdMulawAudioTest", QStringLiteral("Press to begin &MULAW audio tests ..."));
    cmdADPCMAudioTest = namedButton("cmdADPCMAudioTest", QStringLiteral("Press to begin A&DPCM audio tests ..."));
    cmdAudioBuffer1 = namedButton("cmdAudioBuffer1", QStringLiteral("Audio Configu&ration ..."));
    connect(cmdMulawAudioTest, &QPushButton::clicked, this, [this] { AudioDriverTest(kDialTone, kMuLaw); });
    connect(cmdADPCMAudioTest, &QPushButton::clicked, this, [this] { AudioDriverTest(kDialTone, kImaAdpcm); });
    connect(cmdAudioBuffer1, &QPushButton::clicked, this, [this] { cmdAudioBuffer_Click(); });
    return audioPage(
        {
            QStringLiteral("This step ensures that a supported audio driver is configured for your system, and "
                           "verifies that it has the necessary audio codecs."),
            QStringLiteral("During this test the wizard will attempt to open both play and record sessions to your "
                           "multimedia sound card, using the 2 audio formats that Ombrel supports."),
            QStringLiteral("For each test, you should hear a dial tone play for approximately 7 seconds.  If the "
                           "dial tone appears distorted (this is, there are breaks in the sound), click Audio "
                           "Configuration to modify the settings. You can also use the Audio Configuration dialog "
                           "to select your audio card in a multi-card setup."),
        },
        {cmdMulawAudioTest, cmdADPCMAudioTest, cmdAudioBuffer1});
}

QWidget* ConfigWizardForm::buildMicPage() {
    cmdStartMike = namedButton("cmdStartMike", QStringLiteral("&Start microphone test ..."));
    cmdAudioBuffer2 = namedButton("cmdAudioBuffer2", QStringLiteral("&Audio Configuration ..."));
    connect(cmdStartMike, &QPushButton::clicked, this, [this] { cmdStartMike_Click(); });
    connect(cmdAudioBuffer2, &QPushButton::clicked, this, [this] { cmdAudioBuffer_Click(); });
    return audioPage({QStringLiteral("This test ensures that your microphone is properly connected and configured "
                                     "for your system.  In addition, it allows you to adjust the audio buffer "
                                     "size, which may improve audio lag and/or quality.")},
                     {cmdStartMike, cmdAudioBuffer2});
}

void ConfigWizardForm::AudioDriverTest(std::int16_t rnTone, std::int16_t rnAudioFormat) {
    if (busy()) return;
    {
        const QScopedValueRollback running(mbAudioTestRunning, true);
        moEngine->TestAudio(*moOptions, rnTone, rnAudioFormat, kTestTimeMs);
    }
    carryOutHeldEnd();
}

void ConfigWizardForm::StopMikeTest() { moEngine->StopMikeTest(); }

// The box comes even when the engine could not start the test (its error box came first): Stop test then
// stops whatever did start.
void ConfigWizardForm::cmdStartMike_Click() {
    if (busy()) return;
    moEngine->StartMikeTest(*moOptions);
    mMicrophoneTestForm->exec();
}

void ConfigWizardForm::cmdAudioBuffer_Click() {
    if (busy()) return;
    mAudioBufferForm->exec();
}

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

} // namespace kez::wizard
