// The configuration wizard, "wizard": started by ombrel with "INTERNAL", or by hand on first set-up.
#include "kez/ui/apt_bridge.h"
#include "kez/ui/message_boxes.h"
#include "kez/ui/metrics.h"
#include "kez/ui/qt_message_boxes.h"
#include "ombrel/titles.h"
#include "wizard_main.h"

int main(int argc, char** argv) {
    // The windows are laid out in pixels at the logical density; X11 unless told otherwise.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    kez::wizard::WizardApplication application(argc, argv);
    kez::ui::setProgramTitle(std::string(kez::ombrel::kWizardTitle));
    kez::ui::installQtMessageBoxes();
    kez::ui::installFontSubstitutions();
    const kez::ui::AptBridge bridge;
    return kez::wizard::Main();
}
