#include "ombrel_main.h"

#include <QApplication>
#include <QSessionManager>

#include "face_seam.h"
#include "kez/sys/paths.h"
#include "kez/ui/apt_bridge.h"
#include "kez/ui/message_boxes.h"
#include "kez/ui/metrics.h"
#include "kez/ui/qt_message_boxes.h"
#include "kez/ui/termination_signals.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/timers_form.h"
#include "ombrel/titles.h"
#include "ombrel/ui_wrapper.h"
#include "program_dialogs.h"
#include "start_style.h"

namespace kez::ombrel {
namespace {

void showUserAccessError() {
    const std::string folder = sys::stateDir().string();
    ui::showMessageBox(
        "The logged on \"user\" account does not have permissions to write and modify files in the folder: \"" +
            folder +
            "\"\r\n\r\n"
            "To change the permissions of the folder to \"Full Control\":\r\n\r\n"
            "1. Log on the computer as an administrator.\r\n"
            "2. Right click on the folder and select \"properties\" in the pop-up menu.\r\n"
            "3. Select the \"Security\" tab if using \"Windows 2000\". If you are using Windows NT select the "
            "\"Security or Sharing\" tab then the \"Permissions\" button.\r\n"
            "4. On Windows NT, select \"Everyone\" then select \"Full Control\" in the drop down list then click "
            "apply. On Windows 2000, select the \"Users\" item then check \"Full Control\" then click apply.\r\n\r\n"
            "Note: If these steps are different for your operating system, please contact your IT administrator.",
        std::string(kOmbrelTitle) + " - User Access Error", ui::Icon::Critical);
}

// Runs what is left of Qt's deferred deletions once the loop has ended: the forms the controller let go of.
void deleteReleased() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

int runOmbrel(int& argc, char** argv) {
    kez::ui::setQtEnvironment("xcb");
    QApplication application(argc, argv);
    QApplication::setStyle(new StartStyle); // the application owns it
    // The controller ends the program; a box closed while no window shows must not.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(ombrelIcon());
    ui::setProgramTitle(std::string(kOmbrelTitle));
    ui::installQtMessageBoxes();
    ui::installFontSubstitutions();
    const ui::AptBridge bridge;
    return Main();
}

int Main() {
    if (!gHasWriteAccess()) {
        showUserAccessError();
        return 0;
    }
    int status = 0;
    {
        UIWrapperServices services;
        services.forms = programPhoneForms();
        services.dialogs = std::make_shared<ProgramDialogs>();
        services.endProgram = [] { QCoreApplication::exit(0); };
        UIWrapperClass controller(std::move(services));
        const ui::TerminationSignals termination;
        QObject::connect(&termination, &ui::TerminationSignals::received, &controller,
                         [&controller] { controller.Shutdown(); });
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, &controller,
                         [&controller](QSessionManager&) { controller.Shutdown(); });
        if (controller.bInitialize(true)) {
            controller.Show();
            status = QCoreApplication::exec();
        } else {
            controller.CleanUp();
        }
    }
    deleteReleased();
    return status;
}

} // namespace kez::ombrel
