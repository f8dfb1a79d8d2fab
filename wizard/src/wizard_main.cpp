#include "wizard_main.h"

#include <QThread>
#include <QTimer>

#include "config_wizard_form.h"
#include "kez/sys/paths.h"
#include "kez/ui/instance_beacon.h"
#include "kez/ui/termination_signals.h"
#include "kez/vb/log.h"
#include "ombrel/rirovuruz_globals.h"
#include "wizard_errors.h"

namespace kez::wizard {
namespace {

constexpr int kUnwindPollMs = 10;

void bringToFront(ConfigWizardForm& form) {
    form.showNormal();
    form.raise();
    form.activateWindow();
}

// SIGTERM and SIGINT end the wizard as its Cancel does, but only from the outermost event loop: boxes and
// dialogs still open are closed first, so no procedure is left running on settings Cancel releases.
void cancelFromOutside(ConfigWizardForm& form) {
    if (QThread::currentThread()->loopLevel() > 1) {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        QTimer::singleShot(kUnwindPollMs, &form, [&form] { cancelFromOutside(form); });
        return;
    }
    form.close();
}

} // namespace

void gInitFilePaths() {
    gsReadmePath = sys::dataDir() / "readme.html";
    gsLogPath = vb::programLogPath();
}

int Main() {
    try {
        gInitFilePaths();
        if (!ombrel::gPreventMultipleInstances(false)) return 0;
        ConfigWizardForm form;
        QObject::connect(&form, &ConfigWizardForm::ended, [] { QCoreApplication::exit(0); });
        if (ui::InstanceBeacon* beacon = ombrel::instanceBeacon()) {
            QObject::connect(beacon, &ui::InstanceBeacon::activateRequested, &form, [&form] { bringToFront(form); });
        }
        ui::TerminationSignals termination;
        QObject::connect(&termination, &ui::TerminationSignals::received, &form, [&form] { cancelFromOutside(form); });
        if (!form.bInitialize()) {
            form.Cleanup();
            return 0;
        }
        return QCoreApplication::exec();
    } catch (...) {
        showErrorBox(currentError());
        return 0;
    }
}

WizardApplication::WizardApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The main window ends the program itself; a box closed before it shows must not.
    setQuitOnLastWindowClosed(false);
}

bool WizardApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showErrorBox(currentError());
        return false;
    }
}

} // namespace kez::wizard
