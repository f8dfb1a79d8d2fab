// The settings' way through the window: stored values into the page controls when the wizard opens, the
// controls back into the settings object on Finish.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "audio_buffer_form.h"
#include "combo_position.h"
#include "config_wizard_form.h"
#include "kez/com/safe_array.h"
#include "kez/vb/conversions.h"
#include "ombrel/rirovuruz_globals.h"
#include "override_ip_settings_form.h"

namespace kez::wizard {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }
std::string trimmed(const QLineEdit& box) { return vb::trim(box.text().toStdString()); }

// "(None)", "R2.X.X", "R3.X.X", "R4.X.X" stand for the versions 1 (or any unknown one), 2, 3 and 4.
int versionPosition(std::int16_t version) { return version >= 2 && version <= 4 ? version - 1 : 0; }
std::int16_t positionVersion(int position) {
    return static_cast<std::int16_t>(position >= 1 && position <= 3 ? position + 1 : 1);
}

} // namespace

bool ConfigWizardForm::FillAdapterList() {
    const com::Variant adapters = moEngine->varNetworkAdapters();
    const auto* listed = adapters.get<com::SafeArray>();
    if (listed == nullptr || listed->count() == 0) return false;
    fillDeviceList(*cboAdapters, adapters);
    selectListPositionIgnoringErrors(*cboAdapters, moOptions->nAdapterIndex + 1);
    return true;
}

void ConfigWizardForm::ResetAdapterSelections() {
    ombrel::OptionsClass stored;
    stored.LoadSettings();
    stored.nAdapterIndex = stored.nPlayAdapterIndex = stored.nRecordAdapterIndex = -1;
    stored.SaveSettings(false);
}

void ConfigWizardForm::RefreshSettings() {
    const auto& o = *moOptions;
    txtVuruvMacAddress->setText(text(o.sVuruvMacAddress));
    txtVuruvIPAddress->setText(text(o.sVuruvIPAddress));
    optReadInfoAutomatically->setChecked(o.bReadIPInfoAutomatically);
    optOverrideIPInfo->setChecked(!o.bReadIPInfoAutomatically);
    mOverrideIPSettingsForm->ShowSettings(o);
    mAudioBufferForm->ShowSettings(o);
    selectListPosition(*cboAdapters, o.nAdapterIndex + 1);

    mbRefreshing = true;
    chkUseMulticastAddress->setChecked(o.bUseMulticastMacAddress);
    UpdateMulticastAddress();
    mbRefreshing = false;
    // A custom address kept from an earlier run stays; anything else shows the default.
    if (o.bUseMulticastMacAddress && ombrel::gIsValidMacAddress(o.sMulticastMACAddress))
        txtMulticastAddress->setText(text(o.sMulticastMACAddress));

    chkForceLayer3->setChecked(o.bForceLayer3);
    cboXAVVersion->setCurrentIndex(versionPosition(o.nXAVVersion));
    chkLaunchOmbrel->setChecked(o.bFinishCheckBox);
    for (int position = 0; position < cboCountry->count(); ++position) {
        if (cboCountry->itemData(position).toInt() == o.lCountry) cboCountry->setCurrentIndex(position);
    }
    // Any value but 0 means the advanced choice, whatever a hand-edited registry holds.
    chkAdvanced->setChecked(o.lAdvanced != 0);
    cboCountry->setEnabled(o.lAdvanced == 0);
    cmdAdvanced->setEnabled(o.lAdvanced != 0);
    EnableOverrideSetting(!o.bReadIPInfoAutomatically);
}

void ConfigWizardForm::EnableOverrideSetting(bool rbOverride) {
    cmdIPOverrideSettings->setEnabled(rbOverride);
    cmdTestAutoRetrieve->setEnabled(!rbOverride);
}

void ConfigWizardForm::UpdateOptionsObject() {
    bool refused = false;
    moOptions->SaveSettings(true, refused);
    if (refused) return;
    auto& o = *moOptions;
    o.sVuruvMacAddress = trimmed(*txtVuruvMacAddress);
    o.sVuruvIPAddress = trimmed(*txtVuruvIPAddress);
    o.bReadIPInfoAutomatically = optReadInfoAutomatically->isChecked();
    o.nAdapterIndex = static_cast<std::int16_t>(cboAdapters->currentIndex() - 1);
    o.bInitializedProperly(true);
    o.bUseMulticastMacAddress = chkUseMulticastAddress->isChecked();
    o.sMulticastMACAddress = trimmed(*txtMulticastAddress);
    o.bFinishCheckBox = chkLaunchOmbrel->isChecked();
    o.bForceLayer3 = chkForceLayer3->isChecked();
    o.nXAVVersion = positionVersion(cboXAVVersion->currentIndex());
    o.lCountry = selectedCountry();
}

void ConfigWizardForm::SaveSettings() {
    moOptions->bLaunchWizard = false;
    moOptions->SaveSettings(false);
}

std::int32_t ConfigWizardForm::selectedCountry() const {
    // No entry selected (a stored code the list does not offer): the stored code stays.
    const int position = cboCountry->currentIndex();
    return position < 0 ? moOptions->lCountry : cboCountry->itemData(position).toInt();
}

} // namespace kez::wizard
