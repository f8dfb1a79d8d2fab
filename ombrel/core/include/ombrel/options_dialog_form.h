#pragma once
// OptionsDialogForm: the modal, tabbed dialog in which the user edits the settings: the telephone's look, the
// PC's and the call server's addresses, audio, the PC-speaker warning and the priority. OK checks every entry,
// stores them in the owner's settings and saves them; the dialog never restarts the set or starts the wizard:
// it reports through its four flags, which the owner reads once exec() returns.
//
// The owner prepares it with bInitialize before every showing. To dismiss it from outside, set bDirty False and
// bCancel True and hide it. Closing it (its close box, Escape) is Cancel.
#include <QDialog>

#include <span>

#include "ombrel/options_owner.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace kez::ombrel {

struct SettingControl;

class OptionsDialogForm : public QDialog {
public:
    explicit OptionsDialogForm(QWidget* parent = nullptr);

    // A per-user setting changed (pop-up, mixer control, tone volume).
    bool bDirtyUserHKCU = false;
    // A machine-wide setting changed: the set needs a restart. Cleared by Cancel and Wizard.
    bool bDirty = false;
    // The user asked for the configuration wizard.
    bool bLaunchWizard = false;
    // The user cancelled.
    bool bCancel = false;

    // Keeps the owner, loads the controls from its settings, shows the first tab and clears the flags.
    bool bInitialize(OptionsOwner& roUI);

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* displayTab();
    QWidget* networkTab();
    QWidget* advancedTab();
    void connectChanges();
    // The settings shown on the dialog, which both the load and OK walk.
    static std::span<const SettingControl> settingsTable();
    void load();
    void showPcAddresses(bool automatic);

    void cmdOkay_Click();
    // The first failing check's box on its tab; false when one failed.
    bool validate();
    void store();
    void cmdBeepTest_Click();
    void cmdCaptureMixer_Click();
    void cmdWizard_Click();

    OptionsOwner* roUI_ = nullptr;
    OptionsClass* options_ = nullptr;
    bool loading_ = false;

    QTabWidget* tabOptions_;
    QRadioButton* optWindows_;
    QRadioButton* optLargeKzSet_;
    QRadioButton* optSmallKzSet_;
    QCheckBox* chkTransparent_;
    QCheckBox* chkUseKEZTime_;
    QCheckBox* chkDisplayPopup_;
    QCheckBox* chkClickDTMF_;
    QCheckBox* chkSuppressStandby_;
    QRadioButton* optReadIPInfoAutomatically_;
    QRadioButton* optOverrideIPInfo_;
    QLineEdit* txtRirovuruzIPAddress_;
    QLineEdit* txtRirovuruzSubnetMask_;
    QLineEdit* txtRirovuruzGateway_;
    QLineEdit* txtVuruvMacAddress_;
    QLineEdit* txtVuruvIPAddress_;
    QComboBox* cboPriority_;
    QLineEdit* txtBeepFrequency_;
    QLineEdit* txtBeepDuration_;
    QPushButton* cmdBeepTest_;
    QCheckBox* chkShareWave_;
    QLineEdit* txtSharedDelayTime_;
    QCheckBox* chkMixerControl_;
    QPushButton* cmdCaptureMixer_;
    QSlider* sldDTMFVolume_;
    QLabel* lblVolLevel_;
    QLineEdit* txtAudioBufferSize_;
    QLineEdit* txtMultiplier_;
    QComboBox* cboXAVVersion_;
    QCheckBox* chkAllMulticasts_;
    QCheckBox* chkForceLayer3_;
};

} // namespace kez::ombrel
