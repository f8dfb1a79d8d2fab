#include "override_ip_settings_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/setting_controls.h"
#include "wizard_page_host.h"

namespace kez::wizard {
namespace {

const ombrel::SettingControl kOverrideSettings[] = {
    {&ombrel::OptionsClass::sOverriddenRirovuruzIPAddress, "txtSoftphoneIPAddress", ombrel::Convert::TrimmedText},
    {&ombrel::OptionsClass::sOverriddenRirovuruzSubnetMask, "txtSoftphoneSubnetMask", ombrel::Convert::TrimmedText},
    {&ombrel::OptionsClass::sOverriddenRirovuruzGateway, "txtSoftphoneGateway", ombrel::Convert::TrimmedText},
};

std::string trimmed(const QLineEdit& box) { return vb::trim(box.text().toStdString()); }

bool bIsValidAddressText(const QLineEdit& box) {
    const std::string text = trimmed(box);
    return !text.empty() && ombrel::gIsValidIPAddress(text);
}

} // namespace

OverrideIPSettingsForm::OverrideIPSettingsForm(const WizardPageHost& owner)
    : owner_(owner), txtSoftphoneIPAddress(namedLineEdit("txtSoftphoneIPAddress")),
      txtSoftphoneSubnetMask(namedLineEdit("txtSoftphoneSubnetMask")),
      txtSoftphoneGateway(namedLineEdit("txtSoftphoneGateway")), cmdOkay(namedButton("cmdOkay", "&OK")),
      cmdCancel(namedButton("cmdCancel", "&Cancel")) {
    setObjectName(QStringLiteral("OverrideIPSettingsForm"));
    setWindowTitle(QStringLiteral("Override IP Settings"));
    setModal(true);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("IP address:"), txtSoftphoneIPAddress);
    fields->addRow(QStringLiteral("Subnet mask:"), txtSoftphoneSubnetMask);
    fields->addRow(QStringLiteral("Default gateway:"), txtSoftphoneGateway);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Enter the IP settings for your computer.")));
    layout->addLayout(fields);
    layout->addLayout(buttonRow({cmdOkay, cmdCancel}));
    cmdOkay->setDefault(true);
    connect(cmdOkay, &QPushButton::clicked, this, [this] { cmdOkay_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    centreWhenLoaded(*this);
}

void OverrideIPSettingsForm::ShowSettings(const ombrel::OptionsClass& options) {
    ombrel::showSettings(*this, kOverrideSettings, options);
}

void OverrideIPSettingsForm::cmdOkay_Click() {
    const std::pair<QLineEdit*, const char*> checks[] = {
        {txtSoftphoneIPAddress, "You must enter a valid \"IP Address\"."},
        {txtSoftphoneSubnetMask, "You must enter a valid \"Subnet mask\" IP Address."},
        {txtSoftphoneGateway, "You must enter a valid \"Default gateway\" IP Address."},
    };
    for (const auto& [box, message] : checks) {
        if (bIsValidAddressText(*box)) continue;
        box->setFocus();
        ui::showMessageBox(message, {}, ui::Icon::Information);
        return;
    }
    SaveOverrideSettings();
    hide();
}

void OverrideIPSettingsForm::SaveOverrideSettings() {
    auto& options = *owner_.oOptions();
    ombrel::storeSettings(*this, kOverrideSettings, options);
    options.SaveSettings(false);
}

void OverrideIPSettingsForm::cmdCancel_Click() {
    ShowSettings(*owner_.oOptions());
    hide();
}

} // namespace kez::wizard
