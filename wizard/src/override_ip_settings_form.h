#pragma once
// OverrideIPSettingsForm, "Override IP Settings": the PC's own address, mask and gateway typed by hand, used
// instead of the ones read from the PC. One dialog for the wizard's life, filled when the wizard opens and
// shown and hidden after that.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kez::ombrel {
class OptionsClass;
}

namespace kez::wizard {

class OverrideIPSettingsForm : public QDialog {
    Q_OBJECT

public:
    OverrideIPSettingsForm();

    // The three stored override values into the boxes.
    void ShowSettings(const ombrel::OptionsClass& options);

private:
    QLineEdit* txtSoftphoneIPAddress;
    QLineEdit* txtSoftphoneSubnetMask;
    QLineEdit* txtSoftphoneGateway;
    QPushButton* cmdOkay;
    QPushButton* cmdCancel;
};

} // namespace kez::wizard
