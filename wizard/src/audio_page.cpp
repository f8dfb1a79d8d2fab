#include "audio_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "audio_buffer_form.h"
#include "dialog_layout.h"
#include "wizard_page_host.h"

namespace kez::wizard {
namespace {

constexpr std::int16_t kDialTone = 0;
constexpr std::int16_t kMuLaw = 1;
constexpr std::int16_t kImaAdpcm = 3;

} // namespace

AudioPage::AudioPage(WizardPageHost& host) {
    auto* cmdMulawAudioTest = namedButton("cmdMulawAudioTest", QStringLiteral("Press to begin &MULAW audio tests ..."));
    auto* cmdADPCMAudioTest = namedButton("cmdADPCMAudioTest", QStringLiteral("Press to begin A&DPCM audio tests ..."));
    auto* cmdAudioBuffer1 = namedButton("cmdAudioBuffer1", QStringLiteral("Audio Configu&ration ..."));
    connect(cmdMulawAudioTest, &QPushButton::clicked, this, [&host] { host.AudioDriverTest(kDialTone, kMuLaw); });
    connect(cmdADPCMAudioTest, &QPushButton::clicked, this, [&host] { host.AudioDriverTest(kDialTone, kImaAdpcm); });
    connect(cmdAudioBuffer1, &QPushButton::clicked, this, [&host] { showAudioBufferDialog(host); });
    auto* layout = pageColumn(
        *this,
        {
            QStringLiteral("This step ensures that a supported audio driver is configured for your system, and "
                           "verifies that it has the necessary audio codecs."),
            QStringLiteral("During this test the wizard will attempt to open both play and record sessions to your "
                           "multimedia sound card, using the 2 audio formats that Ombrel supports."),
            QStringLiteral("For each test, you should hear a dial tone play for approximately 7 seconds.  If the "
                           "dial tone appears distorted (this is, there are breaks in the sound), click Audio "
                           "Configuration to modify the settings. You can also use the Audio Configuration dialog "
                           "to select your audio card in a multi-card setup."),
        });
    for (QPushButton* button : {cmdMulawAudioTest, cmdADPCMAudioTest, cmdAudioBuffer1})
        layout->addWidget(button, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

void showAudioBufferDialog(WizardPageHost& host) {
    if (host.busy()) return;
    host.audioBufferForm().exec();
}

} // namespace kez::wizard
