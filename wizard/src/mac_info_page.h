#pragma once
// The page "MAC Info": layer 2 access to the call server (its MAC address, found by discovery or typed, the
// network adapter, a system-state multicast address), with the page's check.
#include <QWidget>

#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kez::wizard {

class AutoDiscoverVURUVForm;
class IpInfoPage;
class WizardPageHost;

class MacInfoPage : public QWidget {
    Q_OBJECT

public:
    // A server discovered over IP puts its address on `ipInfo`.
    MacInfoPage(WizardPageHost& host, IpInfoPage& ipInfo);
    ~MacInfoPage() override;

    // Every field valid, else the first fault's message; Finish is enabled exactly when it passes.
    bool bValidateMacPage();
    // The address box follows the check box: the default address when checked, empty and disabled when not.
    void UpdateMulticastAddress();
    // A custom address kept from an earlier run stays when the box is checked; anything else shows the default.
    void keepMulticastAddress(const std::string& stored);
    QComboBox& adapterList() const { return *cboAdapters; }

private:
    void cmdAutoDiscover_Click();

    WizardPageHost& host_;
    IpInfoPage& ipInfo_;
    std::unique_ptr<AutoDiscoverVURUVForm> mAutoDiscoverForm; // made on first use
    QLineEdit* txtVuruvMacAddress;
    QComboBox* cboAdapters;
    QPushButton* cmdAutoDiscover;
    QCheckBox* chkUseMulticastAddress;
    QLineEdit* txtMulticastAddress;
};

} // namespace kez::wizard
