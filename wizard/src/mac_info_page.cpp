#include "mac_info_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "auto_discover_vuruv_form.h"
#include "dialog_layout.h"
#include "ip_info_page.h"
#include "kez/vb/conversions.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/rirovuruz_globals.h"
#include "wizard_page_host.h"

namespace kez::wizard {
namespace {

constexpr const char* kDefaultMulticastMac = "01:00:5E:00:01:3B";
constexpr qsizetype kMacTextLength = 17;
constexpr qsizetype kIpTextStart = 20; // three blanks after the MAC address

} // namespace

MacInfoPage::MacInfoPage(WizardPageHost& host, IpInfoPage& ipInfo)
    : host_(host), ipInfo_(ipInfo), txtVuruvMacAddress(namedLineEdit("txtVuruvMacAddress", 18)),
      cboAdapters(namedComboBox("cboAdapters")),
      cmdAutoDiscover(namedButton("cmdAutoDiscover", QStringLiteral("Aut&o Discover ..."))),
      chkUseMulticastAddress(namedCheckBox("chkUseMulticastAddress",
                                           QStringLiteral("Use a specific KEZ system state multicast MAC address:"))),
      txtMulticastAddress(namedLineEdit("txtMulticastAddress", 18)) {
    txtVuruvMacAddress->setText(QStringLiteral("00:00:00:00:00:00"));
    txtMulticastAddress->setEnabled(false);
    // A key that passes is an edit that the page check has not seen yet: Finish may be tried again.
    const auto edited = [&host](std::int16_t) { host.enableFinish(true); };
    ombrel::filterKeyText(*txtVuruvMacAddress, ombrel::gFilterMacKeyAscii, edited);
    ombrel::filterKeyText(*txtMulticastAddress, ombrel::gFilterMacKeyAscii, edited);
    connect(chkUseMulticastAddress, &QCheckBox::clicked, this, [this] { UpdateMulticastAddress(); });
    connect(cmdAutoDiscover, &QPushButton::clicked, this, [this] { cmdAutoDiscover_Click(); });

    auto* address = new QHBoxLayout;
    address->addWidget(fieldLabel(QStringLiteral("KEZ system MAC address:"), txtVuruvMacAddress));
    address->addWidget(txtVuruvMacAddress);
    address->addStretch(1);
    address->addWidget(cmdAutoDiscover);
    auto* multicast = new QHBoxLayout;
    multicast->addWidget(chkUseMulticastAddress);
    multicast->addWidget(txtMulticastAddress);

    auto* layout = pageColumn(*this, {QStringLiteral("This step specifies the information required to access the "
                                                     "KEZ system via high-speed Layer 2 communications.")});
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
}

MacInfoPage::~MacInfoPage() = default;

bool MacInfoPage::bValidateMacPage() {
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
    host_.enableFinish(problem.empty());
    return problem.empty();
}

void MacInfoPage::UpdateMulticastAddress() {
    if (!chkUseMulticastAddress->isChecked()) {
        txtMulticastAddress->setEnabled(false);
        txtMulticastAddress->clear();
        return;
    }
    if (!host_.refreshing()) {
        explain("This feature allows you to set the \"System State Multicast MAC address\" that is being used by "
                "your KEZ system.\r\n"
                "It is only required for certain NICs that cannot be configured to view all multicast traffic but "
                "must be set to view specific addresses.\r\n"
                "A default \"System State Multicast MAC address\" will be provided.");
    }
    txtMulticastAddress->setEnabled(true);
    txtMulticastAddress->setText(QString::fromLatin1(kDefaultMulticastMac));
}

void MacInfoPage::keepMulticastAddress(const std::string& stored) {
    if (chkUseMulticastAddress->isChecked() && ombrel::gIsValidMacAddress(stored))
        txtMulticastAddress->setText(QString::fromStdString(stored));
}

void MacInfoPage::cmdAutoDiscover_Click() {
    if (host_.busy()) return;
    // The default entry's item data is -1; a list without a choice listens on the default adapter too.
    const QVariant data = cboAdapters->currentData();
    const auto adapter = static_cast<std::int16_t>(data.isValid() ? data.toInt() : -1);
    if (!mAutoDiscoverForm) mAutoDiscoverForm = std::make_unique<AutoDiscoverVURUVForm>();
    mAutoDiscoverForm->bInitialize(host_.engine(), adapter);
    mAutoDiscoverForm->exec();
    const QString selected = QString::fromStdString(mAutoDiscoverForm->sSelectedServer);
    if (!selected.isEmpty()) {
        txtVuruvMacAddress->setText(selected.left(kMacTextLength));
        if (selected.size() > kMacTextLength) ipInfo_.setServerAddress(selected.mid(kIpTextStart));
    }
    mAutoDiscoverForm->Form_QueryUnload();
}

} // namespace kez::wizard
