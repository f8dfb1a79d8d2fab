// The settings' way through the window: stored values into the page controls when the wizard opens, the
// controls back into the settings object on Finish, both along one table.
#include "audio_buffer_form.h"
#include "combo_position.h"
#include "config_wizard_form.h"
#include "country_page.h"
#include "ip_info_page.h"
#include "kez/com/safe_array.h"
#include "mac_info_page.h"
#include "ombrel/setting_controls.h"
#include "override_ip_settings_form.h"

namespace kez::wizard {
namespace {

using ombrel::Convert;
using ombrel::Way;
using O = ombrel::OptionsClass;

constexpr std::int16_t kVersions[] = {1, 2, 3, 4}; // "(None)", "R2.X.X", "R3.X.X", "R4.X.X"

// The multicast address shows the default or a custom one kept (see MacInfoPage); the advanced choice is
// stored by its own click.
// The rows with a list of values, or that go one way only, come last.
const ombrel::SettingControl kPageSettings[] = {
    {&O::sVuruvMacAddress, "txtVuruvMacAddress", Convert::TrimmedText},
    {&O::sVuruvIPAddress, "txtVuruvIPAddress", Convert::TrimmedText},
    {&O::bReadIPInfoAutomatically, "optReadInfoAutomatically", Convert::Checked},
    {&O::nAdapterIndex, "cboAdapters", Convert::ListPosition},
    {&O::bUseMulticastMacAddress, "chkUseMulticastAddress", Convert::Checked},
    {&O::bFinishCheckBox, "chkLaunchOmbrel", Convert::Checked},
    {&O::bForceLayer3, "chkForceLayer3", Convert::Checked},
    {&O::lCountry, "cboCountry", Convert::ItemData},
    {&O::bReadIPInfoAutomatically, "optOverrideIPInfo", Convert::Unchecked, {}, {}, Way::ShowOnly},
    {&O::sMulticastMACAddress, "txtMulticastAddress", Convert::TrimmedText, {}, {}, Way::StoreOnly},
    {&O::nXAVVersion, "cboXAVVersion", Convert::Position, kVersions},
};

} // namespace

bool ConfigWizardForm::FillAdapterList() {
    const com::Variant adapters = moEngine->varNetworkAdapters();
    const auto* listed = adapters.get<com::SafeArray>();
    if (listed == nullptr || listed->count() == 0) return false;
    auto& list = mMacInfoPage->adapterList();
    fillDeviceList(list, adapters);
    selectListPositionIgnoringErrors(list, moOptions->nAdapterIndex + 1);
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
    mOverrideIPSettingsForm->ShowSettings(o);
    mAudioBufferForm->ShowSettings(o);
    mbRefreshing = true;
    ombrel::showSettings(*this, kPageSettings, o);
    mMacInfoPage->UpdateMulticastAddress();
    mbRefreshing = false;
    mMacInfoPage->keepMulticastAddress(o.sMulticastMACAddress);
    mCountryPage->showAdvanced(o.lAdvanced);
    EnableOverrideSetting(!o.bReadIPInfoAutomatically);
}

void ConfigWizardForm::EnableOverrideSetting(bool rbOverride) { mIpInfoPage->EnableOverrideSetting(rbOverride); }

void ConfigWizardForm::UpdateOptionsObject() {
    bool refused = false;
    moOptions->SaveSettings(true, refused);
    if (refused) return;
    moOptions->bInitializedProperly(true);
    ombrel::storeSettings(*this, kPageSettings, *moOptions);
}

void ConfigWizardForm::SaveSettings() {
    moOptions->bLaunchWizard = false;
    moOptions->SaveSettings(false);
}

} // namespace kez::wizard
