#include "program_dialogs.h"

#include "ombrel/button_properties_form.h"
#include "ombrel/options_dialog_form.h"
#include "ombrel/shut_down_form.h"
#include "ombrel/ui_wrapper.h"

namespace kez::ombrel {

OptionsOutcome ProgramDialogs::showOptions(UIWrapperClass& owner) {
    if (options_) {
        options_->raise();
        options_->activateWindow();
        return {};
    }
    OptionsDialogForm dialog;
    options_ = &dialog;
    OptionsOutcome outcome;
    if (dialog.bInitialize(owner)) {
        dialog.exec();
        outcome = {dialog.bDirty, dialog.bLaunchWizard, dialog.bCancel};
    }
    options_ = nullptr;
    return outcome;
}

void ProgramDialogs::cancelOptions() {
    if (!options_) return;
    options_->bDirty = false;
    options_->bCancel = true;
    options_->hide();
}

CloseChoice ProgramDialogs::queryClose(bool trayIconShown) {
    ShutDownForm dialog(trayIconShown);
    switch (dialog.exec()) {
    case ShutDownForm::kShutDown: return CloseChoice::ShutDown;
    case ShutDownForm::kMinimise: return CloseChoice::Minimise;
    default: return CloseChoice::Cancel;
    }
}

void ProgramDialogs::showButtonProperties(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) {
    ButtonPropertiesForm dialog;
    dialog.InitializeForButton(std::move(button), labelBox);
    dialog.exec();
}

} // namespace kez::ombrel
