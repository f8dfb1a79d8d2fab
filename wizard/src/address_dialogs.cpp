// The network pages' ways to their addresses: the call servers heard on the chosen adapter ("MAC Info").
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "auto_discover_vuruv_form.h"
#include "config_wizard_form.h"

namespace kez::wizard {
namespace {

constexpr qsizetype kMacTextLength = 17;
constexpr qsizetype kIpTextStart = 20; // three blanks after the MAC address

} // namespace

void ConfigWizardForm::connectAddressDialogs() {
    connect(cmdAutoDiscover, &QPushButton::clicked, this, [this] { cmdAutoDiscover_Click(); });
}

void ConfigWizardForm::cmdAutoDiscover_Click() {
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

} // namespace kez::wizard
