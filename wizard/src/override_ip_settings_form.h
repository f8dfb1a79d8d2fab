#pragma once
// OverrideIPSettingsForm, "Override IP Settings": the PC's own address, mask and gateway typed by hand, used
// instead of the ones read from the PC. One dialog for the wizard's life, filled when the wizard opens and
// shown and hidden after that. OK stores the three values at once, with every other setting as the wizard
// holds it then.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kez::ombrel {
class OptionsClass;
}

namespace kez::wizard {

class WizardPageHost;

class OverrideIPSettingsForm : public QDialog {
    Q_OBJECT

public:
    // OK and Cancel work on `owner`'s settings object.
    explicit OverrideIPSettingsForm(const WizardPageHost& owner);

    // The three stored override values into the boxes.
    void ShowSettings(const ombrel::OptionsClass& options);

protected:
    // Escape and the close box: Cancel.
    void reject() override { cmdCancel_Click(); }

private:
    void cmdOkay_Click();
    void cmdCancel_Click();
    void SaveOverrideSettings();

    const WizardPageHost& owner_;
    QLineEdit* txtSoftphoneIPAddress;
    QLineEdit* txtSoftphoneSubnetMask;
    QLineEdit* txtSoftphoneGateway;
    QPushButton* cmdOkay;
    QPushButton* cmdCancel;
};

} // namespace kez::wizard
