#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include <QCoreApplication>
#include <QPointer>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include "kez/sys/ascii.h"
#include "kez/sys/fd.h"
#include "kez/sys/paths.h"
#include "kez/ui/instance_beacon.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/titles.h"

namespace kez::ombrel {
namespace {

QPointer<ui::InstanceBeacon>& beaconHolder() {
    static QPointer<ui::InstanceBeacon> beacon;
    return beacon;
}

std::optional<bool>& debugHelpFlag() {
    static std::optional<bool> flag;
    return flag;
}

} // namespace

int gGetWindowsVersion() { return 1; }

bool gHasWriteAccess() {
    const auto file = sys::stateDir() / "temp.log";
    sys::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd) return false;
    const bool written = sys::writeAll(fd.get(), "write access\n") == 0;
    fd.reset();
    return ::unlink(file.c_str()) == 0 && written;
}

std::string gCommandLine() {
    if (QCoreApplication::instance() == nullptr) return {};
    return QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')).toStdString();
}

bool gDebugHelp() {
    auto& flag = debugHelpFlag();
    if (!flag) {
        auto line = gCommandLine();
        std::ranges::transform(line, line.begin(), sys::asciiUpper);
        flag = line.find("/DEBUGHELP") != std::string::npos;
    }
    return *flag;
}

void gSetDebugHelp(bool on) { debugHelpFlag() = on; }

bool gPreventMultipleInstances(bool isOmbrel) {
    auto& beacon = beaconHolder();
    if (!beacon) {
        // Held for the life of the program, across restarts of the set.
        beacon = new ui::InstanceBeacon(std::string(isOmbrel ? kOmbrelCaption : kWizardCaption),
                                        QCoreApplication::instance());
    }
    if (!beacon->isFirst()) {
        beacon->requestActivation();
        gLogError(0, "gPreventMultipleInstances " + std::string(vb::boolText(isOmbrel)), "Found");
        return false;
    }
    if (gCommandLine() == "INTERNAL") return true;
    if (!ui::InstanceBeacon::isRunning(isOmbrel ? kWizardCaption : kOmbrelCaption)) return true;
    ui::showMessageBox(isOmbrel ? "Must launch Ombrel from wizard by pressing Finished button."
                                : "Must launch wizard from Ombrel options screen.",
                       {}, ui::Icon::Information);
    return false;
}

ui::InstanceBeacon* instanceBeacon() {
    const auto& beacon = beaconHolder();
    return beacon && beacon->isFirst() ? beacon.data() : nullptr;
}

void gCenterForm(QWidget& form) {
    const QScreen* screen = form.screen();
    if (screen == nullptr) return;
    const QSize area = screen->geometry().size();
    const QSize size = form.frameGeometry().size();
    form.move((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
}

} // namespace kez::ombrel
