// The wizard's page flow: one state per page, Back and Next in page order, a tab click to any page, and the
// "MAC Info" and "IP Info" pages that cannot be left, either way, while their values are invalid.
#include <QPushButton>
#include <QTabWidget>

#include "config_wizard_form.h"
#include "ip_info_page.h"
#include "mac_info_page.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {

void ConfigWizardForm::NextButton() {
    switch (mnState) {
    case kWelcomePage:
    case kAudioPage:
    case kMicPage:
    case kSarvikPage:
    case kCountryPage: ++mnState; break;
    case kMacInfoPage:
        if (mMacInfoPage->bValidateMacPage()) mnState = kIpInfoPage;
        break;
    case kIpInfoPage:
        if (mIpInfoPage->bValidateIPPage()) mnState = kSarvikPage;
        break;
    default: ombrel::gLogMessage("Unknown state in ConfigWizardForm.NextButton()");
    }
    UpdateTabDialogState();
    UpdateTabDialogButtons();
}

void ConfigWizardForm::PrevButton() {
    switch (mnState) {
    case kAudioPage:
    case kMicPage:
    case kSarvikPage:
    case kCountryPage:
    case kDonePage: --mnState; break;
    case kMacInfoPage:
        if (mMacInfoPage->bValidateMacPage()) mnState = kMicPage;
        break;
    case kIpInfoPage:
        if (mIpInfoPage->bValidateIPPage()) mnState = kMacInfoPage;
        break;
    default: ombrel::gLogMessage("Unknown state in ConfigWizardForm.PrevButton()");
    }
    UpdateTabDialogState();
    UpdateTabDialogButtons();
}

// Runs for every change of the tab, the user's and the code's. Putting back a refused tab is itself such a
// change; since that tab is the state's, the nested run only sets the buttons.
void ConfigWizardForm::JumpToStateOfPage(std::int16_t rnPage) {
    if (mnState == kIpInfoPage && rnPage != kIpInfoPage) {
        if (mIpInfoPage->bValidateIPPage()) mnState = rnPage;
    } else if (mnState == kMacInfoPage && rnPage != kMacInfoPage) {
        if (mMacInfoPage->bValidateMacPage()) mnState = rnPage;
    } else {
        if (rnPage >= kWelcomePage && rnPage <= kDonePage) mnState = rnPage;
        UpdateTabDialogButtons();
        return;
    }
    UpdateTabDialogState();
    UpdateTabDialogButtons();
}

void ConfigWizardForm::UpdateTabDialogButtons() {
    cmdBack->setEnabled(mnState != kWelcomePage);
    cmdNext->setEnabled(mnState != kDonePage);
    cmdCancel->setEnabled(true);
    QPushButton* const defaultButton = mnState == kDonePage ? cmdFinish : cmdNext;
    (defaultButton == cmdNext ? cmdFinish : cmdNext)->setDefault(false);
    defaultButton->setDefault(true);
}

void ConfigWizardForm::UpdateTabDialogState() {
    sstWizard->setCurrentIndex(mnState >= kWelcomePage && mnState < kDonePage ? mnState : kDonePage);
}

void ConfigWizardForm::TurnToPage(std::int16_t rnPage) { sstWizard->setCurrentIndex(rnPage); }

} // namespace kez::wizard
