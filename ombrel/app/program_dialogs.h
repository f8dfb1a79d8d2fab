#pragma once
// The controller's dialogs in the program: the Options dialog (one at a time: asked again while it shows, it
// comes to the front), the close choice and the button properties, each shown modally.
#include <QPointer>

#include "ombrel/controller_dialogs.h"

namespace kez::ombrel {

class OptionsDialogForm;

class ProgramDialogs final : public ControllerDialogs {
public:
    OptionsOutcome showOptions(UIWrapperClass& owner) override;
    void cancelOptions() override;
    CloseChoice queryClose(bool trayIconShown) override;
    void showButtonProperties(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) override;

private:
    QPointer<OptionsDialogForm> options_;
};

} // namespace kez::ombrel
