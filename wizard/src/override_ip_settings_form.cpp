#include "override_ip_settings_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "ombrel/options.h"

namespace kez::wizard {

OverrideIPSettingsForm::OverrideIPSettingsForm()
    : txtSoftphoneIPAddress(namedLineEdit("txtSoftphoneIPAddress")),
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
    centreWhenLoaded(*this);
}

void OverrideIPSettingsForm::ShowSettings(const ombrel::OptionsClass& options) {
    txtSoftphoneIPAddress->setText(QString::fromStdString(options.sOverriddenRirovuruzIPAddress));
    txtSoftphoneSubnetMask->setText(QString::fromStdString(options.sOverriddenRirovuruzSubnetMask));
    txtSoftphoneGateway->setText(QString::fromStdString(options.sOverriddenRirovuruzGateway));
}

} // namespace kez::wizard
