// The pages that tell the telephone how to reach the call server: "MAC Info" (layer 2: the call server's MAC
// address, the adapter, a system-state multicast address) and "IP Info" (layer 3: its IP address and version,
// forcing IP, and how the PC's own addresses are found), with their checks.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config_wizard_form.h"
#include "dialog_layout.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {
namespace {

constexpr const char* kDefaultMulticastMac = "01:00:5E:00:01:3B";

void explain(std::string_view text, std::string_view title = {}) {
    ui::showMessageBox(text, title, ui::Icon::Information);
}

QLabel* fieldLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QWidget* ConfigWizardForm::buildMacInfoPage() {
    txtVuruvMacAddress = namedLineEdit("txtVuruvMacAddress", 18);
    txtVuruvMacAddress->setText(QStringLiteral("00:00:00:00:00:00"));
    cboAdapters = namedComboBox("cboAdapters");
    cmdAutoDiscover = namedButton("cmdAutoDiscover", QStringLiteral("Aut&o Discover ..."));
    chkUseMulticastAddress = namedCheckBox("chkUseMulticastAddress",
                                           QStringLiteral("Use a specific KEZ system state multicast MAC address:"));
    txtMulticastAddress = namedLineEdit("txtMulticastAddress", 18);
    txtMulticastAddress->setEnabled(false);
    // A key that passes is an edit that the page check has not seen yet: Finish may be tried again.
    const auto edited = [this](std::int16_t) { enableFinish(true); };
    ombrel::filterKeyText(*txtVuruvMacAddress, ombrel::gFilterMacKeyAscii, edited);
    ombrel::filterKeyText(*txtMulticastAddress, ombrel::gFilterMacKeyAscii, edited);
    connect(chkUseMulticastAddress, &QCheckBox::clicked, this, [this] { UpdateMulticastAddress(); });

    auto* address = new QHBoxLayout;
    address->addWidget(fieldLabel(QStringLiteral("KEZ system MAC address:"), txtVuruvMacAddress));
    address->addWidget(txtVuruvMacAddress);
    address->addStretch(1);
    address->addWidget(cmdAutoDiscover);
    auto* multicast = new QHBoxLayout;
    multicast->addWidget(chkUseMulticastAddress);
    multicast->addWidget(txtMulticastAddress);

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pageText(QStringLiteral("This step specifies the information required to access the KEZ "
                                              "system via high-speed Layer 2 communications.")));
    layout->addLayout(address);
    layout->addWidget(pageText(QStringLiteral(
        "You can use the Sarvik utility to determine the MAC address of the KEZ system.  Log into the Sarvik "
        "utility as the administrator, and double-click the Reports icon. Click the System Data tab to view the "
        "MAC address of the KEZ system. ")));
    layout->addWidget(pageText(QStringLiteral(
        "Alternatively, click Auto Discover to determine the MAC address of the KEZ system. If you have a "
        "multi-homed machine, select your network adapter from the list below before pressing Auto Discover.")));
    layout->addWidget(pageText(QStringLiteral("If you have more than one network adapter in your system, select "
                                              "the adapter required for Layer 2 communications from the list.")));
    layout->addWidget(cboAdapters);
    layout->addWidget(pageText(
        QStringLiteral("For certain ethernet cards that do not fully support multicast, check the item below."),
        "lblMultiMAC"));
    layout->addLayout(multicast);
    layout->addStretch(1);
    return page;
}

QWidget* ConfigWizardForm::buildIpInfoPage() {
    txtVuruvIPAddress = namedLineEdit("txtVuruvIPAddress", 15);
    cboXAVVersion = namedComboBox("cboXAVVersion");
    cboXAVVersion->addItems(
        {QStringLiteral("(None)"), QStringLiteral("R2.X.X"), QStringLiteral("R3.X.X"), QStringLiteral("R4.X.X")});
    chkForceLayer3 = namedCheckBox("chkForceLayer3", QStringLiteral("Force Layer 3 (IP)"));
    optReadInfoAutomatically =
        namedOption("optReadInfoAutomatically", QStringLiteral("Read network info automatically (default)"));
    optOverrideIPInfo = namedOption("optOverrideIPInfo", QStringLiteral("Override IP info with the following:"));
    cmdIPOverrideSettings = namedButton("cmdIPOverrideSettings", QStringLiteral("Sett&ings ..."));
    cmdTestAutoRetrieve = namedButton("cmdTestAutoRetrieve", QStringLiteral("&Test ..."));
    ombrel::filterKeyText(*txtVuruvIPAddress, ombrel::gFilterIPKeyAscii, [this](std::int16_t) { enableFinish(true); });
    connect(cboXAVVersion, &QComboBox::activated, this, [this] { enableFinish(true); });
    connect(chkForceLayer3, &QCheckBox::clicked, this, [this](bool checked) { chkForceLayer3_Click(checked); });
    connect(optReadInfoAutomatically, &QRadioButton::clicked, this, [this] { EnableOverrideSetting(false); });
    connect(optOverrideIPInfo, &QRadioButton::clicked, this, [this] { EnableOverrideSetting(true); });

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

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pageText(QStringLiteral(
        "This step specifies the information required to access the KEZ system via routable Layer 3 "
        "communications. Layer 3 or IP is used when your KEZ system in located on a different subnet.")));
    layout->addWidget(pageText(QStringLiteral("First you must enter the IP address of the KEZ system. This is the  "
                                              "same IP address that you use to connect to the Sarvik utility.")));
    layout->addLayout(server);
    layout->addLayout(buttonRow({launcherButton("cmdTestXAVIP", QStringLiteral("T&est by launching Sarvik ..."),
                                                &ConfigWizardForm::cmdTestXAVIP_Click)}));
    layout->addWidget(pageText(QStringLiteral(
        "The Ombrel application also needs to know your computer's IP configuration. The simplest way to provide "
        "this is to allow Ombrel to determine it automatically.  However, if Ombrel fails to initialize "
        "properly, you may need to enter the information manually.")));
    layout->addLayout(own);
    layout->addWidget(pageText(QStringLiteral(
        "It is recommended to keep the default, unless you experience problems with the default setting.")));
    layout->addStretch(1);
    return page;
}

void ConfigWizardForm::enableFinish(bool enabled) { cmdFinish->setEnabled(enabled); }

bool ConfigWizardForm::bValidateMacPage() {
    const std::string mac = txtVuruvMacAddress->text().toStdString();
    std::string_view problem;
    if (vb::trim(mac).empty() || !ombrel::gIsValidMacAddress(mac)) {
        problem = "You must enter a valid KEZ system MAC Address.";
    } else if (chkUseMulticastAddress->isChecked() &&
               !ombrel::gIsValidMacAddress(txtMulticastAddress->text().toStdString())) {
        // The engine joins this group instead of hearing all multicast: a bad one would leave it deaf.
        problem = "You must enter a valid KEZ system state multicast MAC address.";
    }
    if (!problem.empty()) explain(problem);
    enableFinish(problem.empty());
    return problem.empty();
}

bool ConfigWizardForm::bValidateIPPage() {
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
    enableFinish(passed);
    return passed;
}

void ConfigWizardForm::UpdateMulticastAddress() {
    if (!chkUseMulticastAddress->isChecked()) {
        txtMulticastAddress->setEnabled(false);
        txtMulticastAddress->clear();
        return;
    }
    if (!mbRefreshing) {
        explain("This feature allows you to set the \"System State Multicast MAC address\" that is being used by "
                "your KEZ system.\r\n"
                "It is only required for certain NICs that cannot be configured to view all multicast traffic but "
                "must be set to view specific addresses.\r\n"
                "A default \"System State Multicast MAC address\" will be provided.");
    }
    txtMulticastAddress->setEnabled(true);
    txtMulticastAddress->setText(QString::fromLatin1(kDefaultMulticastMac));
}

void ConfigWizardForm::chkForceLayer3_Click(bool checked) {
    if (!checked) return;
    explain("Selecting \"Force Layer 3\" should only be done when Ombrel is on a different subnet.\r\n"
            "With Force Layer 3 checked the Ombrel initialization process will be faster.");
}

} // namespace kez::wizard
