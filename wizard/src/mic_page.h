#pragma once
// The page "Mic": the engine plays the microphone back on the speakers until the user stops it; the audio
// buffer dialog beside it.
#include <QWidget>

#include <memory>

namespace kez::wizard {

class MicrophoneTestForm;
class WizardPageHost;

class MicPage : public QWidget {
    Q_OBJECT

public:
    explicit MicPage(WizardPageHost& host);
    ~MicPage() override;

    MicrophoneTestForm& microphoneTestForm() const { return *mMicrophoneTestForm; }

private:
    void cmdStartMike_Click();

    WizardPageHost& host_;
    std::unique_ptr<MicrophoneTestForm> mMicrophoneTestForm;
};

} // namespace kez::wizard
