#pragma once
// AudioBufferForm, "Audio Configuration": the play and record devices and the two numbers whose product is
// the engine's audio buffer pool. One dialog for the wizard's life: filled once by bInitialize, then shown
// and hidden. OK checks the numbers and puts all four into the settings object (never the registry), for
// the next audio test and the wizard's save; Cancel, Escape and the close box put the stored ones back.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kez::ombrel {
class EngineWrapperClass;
class OptionsClass;
} // namespace kez::ombrel

namespace kez::wizard {

class AudioBufferForm : public QDialog {
    Q_OBJECT

public:
    AudioBufferForm();

    // Keeps both for the wizard's life and fills the record list, then the play list, each selecting the
    // stored device when the list has it. A wrapper that delivers no device array (it has shown its box)
    // is RuntimeError 13 here.
    bool bInitialize(ombrel::EngineWrapperClass& roEngine, ombrel::OptionsClass& roOptions);
    // The stored values into the controls: delay, multiplier, play device, record device. A stored device
    // beyond its list is RuntimeError 380.
    void ShowSettings(const ombrel::OptionsClass& options);

protected:
    // Escape and the close box: Cancel.
    void reject() override;

private:
    void cmdOkay_Click();
    void cmdCancel_Click();
    void mFillRecordAdapterList();
    void mFillPlayAdapterList();

    ombrel::EngineWrapperClass* moEngine = nullptr;
    ombrel::OptionsClass* moOptions = nullptr;
    QComboBox* cboRecordAdapters;
    QComboBox* cboPlayAdapters;
    QLineEdit* txtAudioBufferSize;
    QLineEdit* txtMultiplier;
    QPushButton* cmdCancel;
    QPushButton* cmdOkay;
};

} // namespace kez::wizard
