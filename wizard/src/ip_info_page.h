#pragma once
// The page "IP Info": layer 3 access to the call server (its IP address and version, forcing IP) and how the
// PC's own addresses are found (read by the engine's probe toward the call server, or typed by hand), with the
// page's check.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kez::wizard {

class WizardPageHost;

class IpInfoPage : public QWidget {
    Q_OBJECT

public:
    explicit IpInfoPage(WizardPageHost& host);

    QString serverAddress() const;
    void setServerAddress(const QString& address);
    bool forceLayer3() const;
    // Every field valid, else the first fault's message; Finish is enabled exactly when it passes.
    bool bValidateIPPage();
    // "Sett&ings ..." enabled when overriding, "&Test ..." when not.
    void EnableOverrideSetting(bool rbOverride);

private:
    void chkForceLayer3_Click(bool checked);
    void cmdIPOverrideSettings_Click();
    void cmdTestAutoRetrieve_Click();

    WizardPageHost& host_;
    QLineEdit* txtVuruvIPAddress;
    QComboBox* cboXAVVersion;
    QCheckBox* chkForceLayer3;
    QRadioButton* optReadInfoAutomatically;
    QRadioButton* optOverrideIPInfo;
    QPushButton* cmdIPOverrideSettings;
    QPushButton* cmdTestAutoRetrieve;
};

} // namespace kez::wizard
