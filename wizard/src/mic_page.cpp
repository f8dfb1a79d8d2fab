#include "mic_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "audio_page.h"
#include "dialog_layout.h"
#include "microphone_test_form.h"
#include "ombrel/engine_wrapper.h"
#include "wizard_page_host.h"

namespace kez::wizard {

MicPage::MicPage(WizardPageHost& host)
    : host_(host), mMicrophoneTestForm(std::make_unique<MicrophoneTestForm>([&host] { host.StopMikeTest(); })) {
    auto* cmdStartMike = namedButton("cmdStartMike", QStringLiteral("&Start microphone test ..."));
    auto* cmdAudioBuffer2 = namedButton("cmdAudioBuffer2", QStringLiteral("&Audio Configuration ..."));
    connect(cmdStartMike, &QPushButton::clicked, this, [this] { cmdStartMike_Click(); });
    connect(cmdAudioBuffer2, &QPushButton::clicked, this, [&host] { showAudioBufferDialog(host); });
    auto* layout = pageColumn(*this, {QStringLiteral("This test ensures that your microphone is properly connected "
                                                     "and configured for your system.  In addition, it allows you to "
                                                     "adjust the audio buffer size, which may improve audio lag "
                                                     "and/or quality.")});
    for (QPushButton* button : {cmdStartMike, cmdAudioBuffer2})
        layout->addWidget(button, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

MicPage::~MicPage() = default;

// The box comes even when the engine could not start the test (its error box came first): Stop test then
// stops whatever did start.
void MicPage::cmdStartMike_Click() {
    if (host_.busy()) return;
    host_.engine().StartMikeTest(*host_.oOptions());
    mMicrophoneTestForm->exec();
}

} // namespace kez::wizard
