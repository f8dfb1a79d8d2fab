// The network pages' ways to their addresses: the call servers heard on the chosen adapter ("MAC Info"), the
// PC's own addresses typed by hand or found by the engine's probe toward the call server ("IP Info").
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "auto_discover_vuruv_form.h"
#include "auto_ip_config_form.h"
#include "config_wizard_form.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/rirovuruz_globals.h"
#include "override_ip_settings_form.h"

namespace kez::wizard {
namespace {

constexpr qsizetype kMacTextLength = 17;
constexpr qsizetype kIpTextStart = 20; // three blanks after the MAC address

} // namespace

void ConfigWizardForm::connectAddressDialogs() {
    connect(cmdAutoDiscover, &QPushButton::clicked, this, [this] { cmdAutoDiscover_Click(); });
    connect(cmdIPOverrideSettings, &QPushButton::clicked, this, [this] { cmdIPOverrideSettings_Click(); });
    connect(cmdTestAutoRetrieve, &QPushButton::clicked, this, [this] { cmdTestAutoRetrieve_Click(); });
}

void ConfigWizardForm::cmdAutoDiscover_Click() {
    if (busy()) return;
    // The default entry's item data is -1; a list without a choice listens on the default adapter too.
    const QVariant data = cboAdapters->currentData();
    const auto adapter = static_cast<std::int16_t>(data.isValid() ? data.toInt() : -1);
    if (!mAutoDiscoverForm) mAutoDiscoverForm = std::make_unique<AutoDiscoverVURUVForm>();
    mAutoDiscoverForm->bInitialize(*moEngine, adapter);
    mAutoDiscoverForm->exec();
    const QString selected = QString::fromStdString(mAutoDiscoverForm->sSelectedServer);
    if (!selected.isEmpty()) {
        txtVuruvMacAddress->setText(selected.left(kMacTextLength));
        if (selected.size() > kMacTextLength) txtVuruvIPAddress->setText(selected.mid(kIpTextStart));
    }
    mAutoDiscoverForm->Form_QueryUnload();
}

void ConfigWizardForm::cmdIPOverrideSettings_Click() {
    if (busy()) return;
    mOverrideIPSettingsForm->exec();
}

void ConfigWizardForm::cmdTestAutoRetrieve_Click() {
    if (busy()) return;
    const std::string server = txtVuruvIPAddress->text().toStdString();
    if (!ombrel::gIsValidIPAddress(server)) {
        ui::showMessageBox("You must enter a valid KEZ system IP Address.", {}, ui::Icon::Information);
        return;
    }
    AutoIPConfigForm dialog;
    if (dialog.bInitialize(*moEngine, ombrel::gIPTextToBytes(server))) dialog.exec();
}

} // namespace kez::wizard
