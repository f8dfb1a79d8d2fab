#include "ip_info_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "auto_ip_config_form.h"
#include "dialog_layout.h"
#include "kez/vb/conversions.h"
#include "launchers.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/rirovuruz_globals.h"
#include "override_ip_settings_form.h"
#include "wizard_page_host.h"

namespace kez::wizard {

IpInfoPage::IpInfoPage(WizardPageHost& host)
    : host_(host), txtVuruvIPAddress(namedLineEdit("txtVuruvIPAddress", 15)),
      cboXAVVersion(namedComboBox("cboXAVVersion")),
      chkForceLayer3(namedCheckBox("chkForceLayer3", QStringLiteral("Force Layer 3 (IP)"))),
      optReadInfoAutomatically(
          namedOption("optReadInfoAutomatically", QStringLiteral("Read network info automatically (default)"))),
      optOverrideIPInfo(namedOption("optOverrideIPInfo", QStringLiteral("Override IP info with the following:"))),
      cmdIPOverrideSettings(namedButton("cmdIPOverrideSettings", QStringLiteral("Sett&ings ..."))),
      cmdTestAutoRetrieve(namedButton("cmdTestAutoRetrieve", QStringLiteral("&Test ..."))) {
    cboXAVVersion->addItems(
        {QStringLiteral("(None)"), QStringLiteral("R2.X.X"), QStringLiteral("R3.X.X"), QStringLiteral("R4.X.X")});
    ombrel::filterKeyText(*txtVuruvIPAddress, ombrel::gFilterIPKeyAscii,
                          [&host](std::int16_t) { host.enableFinish(true); });
    connect(cboXAVVersion, &QComboBox::activated, this, [&host] { host.enableFinish(true); });
    connect(chkForceLayer3, &QCheckBox::clicked, this, [this](bool checked) { chkForceLayer3_Click(checked); });
    connect(optReadInfoAutomatically, &QRadioButton::clicked, this, [this] { EnableOverrideSetting(false); });
    connect(optOverrideIPInfo, &QRadioButton::clicked, this, [this] { EnableOverrideSetting(true); });
    connect(cmdIPOverrideSettings, &QPushButton::clicked, this, [this] { cmdIPOverrideSettings_Click(); });
    connect(cmdTestAutoRetrieve, &QPushButton::clicked, this, [this] { cmdTestAutoRetrieve_Click(); });

    auto* server = new QGridLayout;
    server->addWidget(fieldLabel(QStringLiteral("KEZ system's IP address:"), txtVuruvIPAddress), 0, 0);
    server->addWidget(txtVuruvIPAddress, 0, 1);
    auto* versionLabel = fieldLabel(QStringLiteral("KEZ system Version:"), cboXAVVersion);
    versionLabel->setObjectName(QStringLiteral("lblXAVVersion"));
    server->addWidget(versionLabel, 1, 0);
    server->addWidget(cboXAVVersion, 1, 1);
    server->addWidget(chkForceLayer3, 2, 0, 1, 2);
    server->setColumnStretch(2, 1);
    auto* own = new QGridLayout;
    own->addWidget(optReadInfoAutomatically, 0, 0);
    own->addWidget(cmdTestAutoRetrieve, 0, 1);
    own->addWidget(optOverrideIPInfo, 1, 0);
    own->addWidget(cmdIPOverrideSettings, 1, 1);
    own->setColumnStretch(2, 1);

    auto* layout = pageColumn(
        *this, {
                   QStringLiteral("This step specifies the information required to access the KEZ system via routable "
                                  "Layer 3 communications. Layer 3 or IP is used when your KEZ system in located on a "
                                  "different subnet."),
                   QStringLiteral("First you must enter the IP address of the KEZ system. This is the  same IP address "
                                  "that you use to connect to the Sarvik utility."),
               });
    layout->addLayout(server);
    layout->addLayout(
        buttonRow({launcherButton("cmdTestXAVIP", QStringLiteral("T&est by launching Sarvik ..."), [this] {
            launchSarvik(serverAddress(), "You must enter a valid KEZ system IP Address.");
        })}));
    layout->addWidget(pageText(QStringLiteral(
        "The Ombrel application also needs to know your computer's IP configuration. The simplest way to provide "
        "this is to allow Ombrel to determine it automatically.  However, if Ombrel fails to initialize "
        "properly, you may need to enter the information manually.")));
    layout->addLayout(own);
    layout->addWidget(pageText(QStringLiteral(
        "It is recommended to keep the default, unless you experience problems with the default setting.")));
    layout->addStretch(1);
}

QString IpInfoPage::serverAddress() const { return txtVuruvIPAddress->text(); }

void IpInfoPage::setServerAddress(const QString& address) { txtVuruvIPAddress->setText(address); }

bool IpInfoPage::forceLayer3() const { return chkForceLayer3->isChecked(); }

bool IpInfoPage::bValidateIPPage() {
    const std::string ip = txtVuruvIPAddress->text().toStdString();
    const bool empty = vb::trim(ip).empty();
    bool passed = false;
    if (chkForceLayer3->isChecked() && empty) {
        explain("Cannot force to layer 3 without the KEZ system IP Address.", "Error");
    } else if (!empty && !ombrel::gIsValidIPAddress(ip)) {
        explain("You must enter a valid KEZ system IP Address.");
    } else if (!empty && cboXAVVersion->currentIndex() == 0) {
        explain("Please select the version of the KEZ system.");
    } else {
        passed = true;
    }
    host_.enableFinish(passed);
    return passed;
}

void IpInfoPage::EnableOverrideSetting(bool rbOverride) {
    cmdIPOverrideSettings->setEnabled(rbOverride);
    cmdTestAutoRetrieve->setEnabled(!rbOverride);
}

void IpInfoPage::chkForceLayer3_Click(bool checked) {
    if (!checked) return;
    explain("Selecting \"Force Layer 3\" should only be done when Ombrel is on a different subnet.\r\n"
            "With Force Layer 3 checked the Ombrel initialization process will be faster.");
}

void IpInfoPage::cmdIPOverrideSettings_Click() {
    if (host_.busy()) return;
    host_.overrideIPSettingsForm().exec();
}

void IpInfoPage::cmdTestAutoRetrieve_Click() {
    if (host_.busy()) return;
    const std::string server = txtVuruvIPAddress->text().toStdString();
    if (!ombrel::gIsValidIPAddress(server)) {
        explain("You must enter a valid KEZ system IP Address.");
        return;
    }
    AutoIPConfigForm dialog;
    if (dialog.bInitialize(host_.engine(), ombrel::gIPTextToBytes(server))) dialog.exec();
}

} // namespace kez::wizard
