#pragma once
// MicrophoneTestForm, "Microphone Test": on screen while the engine plays the microphone back on the
// speakers, until the user stops it. One box for the wizard's life, hidden between tests.
#include <QDialog>

#include <functional>

class QPushButton;

namespace kez::wizard {

class MicrophoneTestForm : public QDialog {
    Q_OBJECT

public:
    // `stopMikeTest` ends the loop: the main window's StopMikeTest.
    explicit MicrophoneTestForm(std::function<void()> stopMikeTest);

protected:
    // Escape and the close box stop the test as "Stop test" does: a box gone from sight must not leave the
    // microphone playing.
    void reject() override;

private:
    void cmdStopTest_Click();

    std::function<void()> mStopMikeTest;
    QPushButton* cmdStopTest;
};

} // namespace kez::wizard
