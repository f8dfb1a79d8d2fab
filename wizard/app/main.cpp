// The configuration wizard, "wizard": started by ombrel with "INTERNAL", or by hand on first set-up.
#include "kez/ui/apt_bridge.h"
#include "kez/ui/message_boxes.h"
#include "kez/ui/metrics.h"
#include "kez/ui/qt_message_boxes.h"
#include "ombrel/titles.h"
#include "wizard_main.h"

int main(int argc, char** argv) {
    kez::ui::setQtEnvironment("xcb");
    kez::wizard::WizardApplication application(argc, argv);
    kez::ui::setProgramTitle(std::string(kez::ombrel::kWizardTitle));
    kez::ui::installQtMessageBoxes();
    kez::ui::installFontSubstitutions();
    const kez::ui::AptBridge bridge;
    return kez::wizard::Main();
}
