// The Options dialog's buttons: OK with its checks and the store, the beep test, the mixer capture, Cancel and
// the wizard.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/options.h"
#include "ombrel/options_dialog_form.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/setting_controls.h"

namespace kez::ombrel {
namespace {

constexpr int kNetworkTab = 1;
constexpr int kAdvancedTab = 2;

std::string text(const QLineEdit& box) { return box.text().toStdString(); }
std::string trimmed(const QLineEdit& box) { return vb::trim(text(box)); }

// The number the text starts with; only asked of texts that are numbers.
double leadingNumber(const QLineEdit& box) { return vb::val(text(box)); }

bool within(const QLineEdit& box, double low, double high) {
    const double number = leadingNumber(box);
    return number >= low && number <= high;
}

bool numeric(const QLineEdit& box) { return vb::isNumeric(text(box)); }

void error(std::string_view message) { ui::showMessageBox(message, "Error", ui::Icon::Information); }

// The beep test's and OK's checks of the PC-speaker warning, each failure in its box; true when they pass.
bool beepValuesValid(const QLineEdit& frequency, const QLineEdit& duration, std::string_view durationMessage) {
    if (!numeric(frequency) || !numeric(duration)) {
        error("Audio Warning parameters must be numeric.");
        return false;
    }
    if (!within(frequency, 100, 8000)) {
        error("Audio Warning Frequency must be a number between 100 and 8000.");
        return false;
    }
    if (!within(duration, 0, 5000)) {
        error(durationMessage);
        return false;
    }
    return true;
}

} // namespace

void OptionsDialogForm::cmdOkay_Click() {
    if (!bDirty && !bDirtyUserHKCU) {
        done(Accepted);
        return;
    }
    // A write of the settings as they were tells whether the machine's may be written.
    bool refused = false;
    if (bDirty) {
        options_->SaveSettings(true, refused);
    } else {
        options_->SaveSettings(false, refused);
        bDirty = true;
    }
    if (refused && !bDirtyUserHKCU) {
        bDirty = false;
        done(Accepted);
        return;
    }
    if (!validate()) return;
    store();
    options_->SaveSettings(false);
    done(Accepted);
}

bool OptionsDialogForm::validate() {
    const auto fail = [this](int tab, std::string_view message, std::string_view title = "Error") {
        tabOptions_->setCurrentIndex(tab);
        ui::showMessageBox(message, title, ui::Icon::Information);
        return false;
    };
    if (!numeric(*txtAudioBufferSize_) || !numeric(*txtMultiplier_)) {
        return fail(kAdvancedTab, "Buffer sizes must be numeric.");
    }
    if (!within(*txtAudioBufferSize_, 2, 10)) {
        txtAudioBufferSize_->setText(QStringLiteral("2"));
        return fail(kAdvancedTab, "The delay value must be a number between 2 and 10 .");
    }
    if (!within(*txtMultiplier_, 1, 10)) {
        txtMultiplier_->setText(QStringLiteral("1"));
        return fail(kAdvancedTab, "The multiplier value must be a number between 1 and 10 .");
    }
    if (!beepValuesValid(*txtBeepFrequency_, *txtBeepDuration_,
                         "Audio Warning Duration must be a number between 0 and 5000.")) {
        tabOptions_->setCurrentIndex(kAdvancedTab);
        return false;
    }
    if (!text(*txtVuruvIPAddress_).empty() && !gIsValidIPAddress(text(*txtVuruvIPAddress_))) {
        return fail(kNetworkTab, "Invalid KEZ system IP address.");
    }
    if (!trimmed(*txtVuruvIPAddress_).empty() && cboXAVVersion_->currentIndex() <= 0) {
        return fail(kAdvancedTab, "Please select the version of the KEZ system.", {});
    }
    if (trimmed(*txtVuruvMacAddress_).empty() || !gIsValidMacAddress(trimmed(*txtVuruvMacAddress_))) {
        return fail(kNetworkTab, "Invalid KEZ system MAC address.");
    }
    if (chkForceLayer3_->isChecked() && text(*txtVuruvIPAddress_).empty()) {
        return fail(kNetworkTab, "Cannot force to layer 3 without the KEZ system IP Address.");
    }
    if (leadingNumber(*txtBeepDuration_) == 0) error("Audio Warning has been disabled by setting duration to zero.");
    if (!optOverrideIPInfo_->isChecked()) return true;
    const std::pair<QLineEdit*, const char*> addresses[] = {
        {txtRirovuruzIPAddress_, "You must enter a valid \"IP Address\"."},
        {txtRirovuruzSubnetMask_, "You must enter a valid \"Subnet mask\" IP Address."},
        {txtRirovuruzGateway_, "You must enter a valid \"Default gateway\" IP Address."},
    };
    for (const auto& [box, message] : addresses) {
        if (trimmed(*box).empty() || !gIsValidIPAddress(trimmed(*box))) {
            fail(kNetworkTab, message, {});
            box->setFocus();
            return false;
        }
    }
    return true;
}

void OptionsDialogForm::store() {
    OptionsClass& o = *options_;
    storeSettings(*this, settingsTable(), o);
    setFaceImages(o.nUIType);
    // While they are read automatically the boxes show the addresses in use, which must not replace the user's.
    if (optOverrideIPInfo_->isChecked()) {
        o.sOverriddenRirovuruzIPAddress = text(*txtRirovuruzIPAddress_);
        o.sOverriddenRirovuruzSubnetMask = text(*txtRirovuruzSubnetMask_);
        o.sOverriddenRirovuruzGateway = text(*txtRirovuruzGateway_);
    }
}

void OptionsDialogForm::cmdBeepTest_Click() {
    if (!beepValuesValid(*txtBeepFrequency_, *txtBeepDuration_,
                         "Audio Warning Duartion must be a number between 0 and 5000.")) {
        return;
    }
    if (leadingNumber(*txtBeepDuration_) == 0) {
        error("Audio Warning has been disabled by setting duration to zero.");
        return;
    }
    roUI_->TestBeep(vb::leadingInt32(text(*txtBeepFrequency_)), vb::leadingInt32(text(*txtBeepDuration_)));
}

void OptionsDialogForm::cmdCaptureMixer_Click() {
    if (roUI_->InitializeMixerState()) ui::showMessageBox("Saved \"Mixer Settings\"", {}, ui::Icon::Information);
}

void OptionsDialogForm::reject() {
    bDirty = bDirtyUserHKCU = false;
    bCancel = true;
    done(Rejected);
}

void OptionsDialogForm::cmdWizard_Click() {
    bDirty = bDirtyUserHKCU = false;
    bLaunchWizard = true;
    done(Rejected);
}

} // namespace kez::ombrel
