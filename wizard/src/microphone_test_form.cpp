#include "microphone_test_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"

namespace kez::wizard {

MicrophoneTestForm::MicrophoneTestForm(std::function<void()> stopMikeTest)
    : mStopMikeTest(std::move(stopMikeTest)), cmdStopTest(namedButton("cmdStopTest", QStringLiteral("Stop test"))) {
    setObjectName(QStringLiteral("MicrophoneTestForm"));
    setWindowTitle(QStringLiteral("Microphone Test"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        pageText(QStringLiteral("You should be able to hear yourself through the microphone as you talk.")));
    layout->addWidget(pageText(QStringLiteral(
        "If you hear a long audio delay (between when you talk into the microphone and when you hear yourself "
        "through the speakers), you may want to make the audio buffer smaller.")));
    layout->addWidget(pageText(QStringLiteral(
        "If the audio appears stuttered or distorted, you may want to experiment with a larger audio buffer.")));
    layout->addLayout(buttonRow({cmdStopTest}));
    cmdStopTest->setDefault(true);
    connect(cmdStopTest, &QPushButton::clicked, this, [this] { cmdStopTest_Click(); });
    setMinimumWidth(400);
    centreWhenLoaded(*this);
}

void MicrophoneTestForm::cmdStopTest_Click() {
    mStopMikeTest();
    hide();
}

void MicrophoneTestForm::reject() { cmdStopTest_Click(); }

} // namespace kez::wizard
