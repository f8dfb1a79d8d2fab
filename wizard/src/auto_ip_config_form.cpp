#include "auto_ip_config_form.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {
namespace {

QLineEdit* resultBox(const char* name) {
    auto* box = namedLineEdit(name);
    box->setReadOnly(true);
    return box;
}

QString dotted(const com::Variant& address) { return QString::fromStdString(ombrel::gBytesToIPText(address)); }

} // namespace

AutoIPConfigForm::AutoIPConfigForm()
    : lblWait(pageText(QStringLiteral("This process may take some time, please wait."), "lblWait")),
      txtIPAddress(resultBox("txtIPAddress")), txtSubnet(resultBox("txtSubnet")), txtGateway(resultBox("txtGateway")),
      cmdOK(namedButton("cmdOK", QStringLiteral("Cancel"))) {
    setObjectName(QStringLiteral("AutoIPConfigForm"));
    setWindowTitle(QStringLiteral("Automatic IP Configuration"));
    setModal(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("IP Address:"), txtIPAddress);
    fields->addRow(QStringLiteral("Subnet Mask:"), txtSubnet);
    fields->addRow(QStringLiteral("Default Gateway:"), txtGateway);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWait);
    layout->addLayout(fields);
    layout->addLayout(buttonRow({cmdOK}));
    centreWhenLoaded(*this);
}

bool AutoIPConfigForm::bInitialize(ombrel::EngineWrapperClass& roEngine, const com::Variant& rvarVuruvIP) {
    moEngine = &roEngine;
    events_.attach(roEngine);
    mbInProgress = true;
    com::Variant local, mask, gateway; // the engine's values before the probe; not shown
    return moEngine->bAutoConfigureIP(rvarVuruvIP, local, mask, gateway);
}

void AutoIPConfigForm::AutoIPComplete(com::Variant& rvarLocalIP, com::Variant& rvarSubnet, com::Variant& rvarGateway) {
    txtIPAddress->setText(dotted(rvarLocalIP));
    txtSubnet->setText(dotted(rvarSubnet));
    txtGateway->setText(dotted(rvarGateway));
    showEnded();
}

void AutoIPConfigForm::Error(std::int32_t lNumber, const std::string& sDescription) {
    moEngine->DisplayEngineError(lNumber, "Auto IP Configuration", sDescription);
    showEnded();
}

void AutoIPConfigForm::showEnded() {
    cmdOK->setText(QStringLiteral("OK"));
    lblWait->hide();
    mbInProgress = false;
}

void AutoIPConfigForm::cmdOK_Click() {
    if (mbInProgress) moEngine->CancelAutoIPConfig();
    hide();
}

} // namespace kez::wizard
