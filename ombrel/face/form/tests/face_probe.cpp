// face_probe: the face window in a process of its own, for the density rows and the tests on a real X server.
//   face_probe <Type> [transparent] [tray]
// Loads the face through Initialize with a controller that records what the face asks of it and answers as the
// real one does (a left press shows the key pressed until its release, the tray menu pops up at the pointer,
// ActivateUI brings the window back); with "tray" it shows a tray icon once a tray is there. Prints "ready",
// shows the face and then takes one command a line on standard input, answering each with one line:
//   layout          the density and the measures of the window, label boxes and display lines
//   where           the window's id and the canvas's place on the screen: "<id> <x> <y> <w> <h>"
//   shaped          "1" while the window has the set's outline, else "0"
//   calls           what the face called on its controller, joined by ","
//   events          the face's events so far ("down 1 5", "up 5"), joined by ",", and forgets them
//   await <n>       answers "ok" once n events are waiting (the caller bounds the wait)
//   label <i>       the text of label box i
//   state           "hidden", "minimised" or "shown"
//   popup           the pop-up menu showing and its Restore entry: "mnuSysMenu restore=0", or "none"
//   restore-at      the middle of the showing menu's Restore entry on the screen: "<x> <y>"
//   tray-at         the middle of the tray icon on the screen, or "none" while it is not docked
//   flip | restore | toggle | display <text> | quit
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSocketNotifier>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include <unistd.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "kez/ui/metrics.h"

namespace {

using kez::ombrel::KzSetPhoneForm;

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

std::string rect(const QRect& r) {
    std::ostringstream out;
    out << r.x() << ' ' << r.y() << ' ' << r.width() << ' ' << r.height();
    return out.str();
}

std::string point(QPoint p) { return std::to_string(p.x()) + " " + std::to_string(p.y()); }

// "dpi 120 canvas 587x529 label 31x16 line1 238 74 160 15 line2 238 88 160 15 font Liberation Sans 8 fits 1"
std::string layout(const KzSetPhoneForm& form) {
    const QLabel& line1 = *form.lblDisplay(1);
    const QFontInfo font(line1.font());
    const int waiting = QFontMetrics(line1.font()).horizontalAdvance(QStringLiteral("Waiting for Init"));
    std::ostringstream out;
    out << "dpi " << form.logicalDpiX() << " canvas " << form.canvas().width() << 'x' << form.canvas().height()
        << " label " << form.txtLineLabels(0)->width() << 'x' << form.txtLineLabels(0)->height() << " line1 "
        << rect(line1.geometry()) << " line2 " << rect(form.lblDisplay(2)->geometry()) << " font "
        << line1.font().family().toStdString() << ' ' << line1.font().pointSizeF() << " fits "
        << (waiting <= line1.width());
    return out.str();
}

std::string where(const KzSetPhoneForm& form) {
    const QPoint canvas = form.canvas().mapToGlobal(QPoint(0, 0));
    std::ostringstream out;
    out << form.winId() << ' ' << canvas.x() << ' ' << canvas.y() << ' ' << form.canvas().width() << ' '
        << form.canvas().height();
    return out.str();
}

std::string windowState(const KzSetPhoneForm& form) {
    if (!form.isVisible()) return "hidden";
    return form.isMinimized() ? "minimised" : "shown";
}

std::string popup() {
    const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return "none";
    const auto* restore = menu->findChild<QAction*>(QStringLiteral("mnuSysRestore"));
    return menu->objectName().toStdString() + " restore=" + (restore != nullptr && restore->isVisible() ? "1" : "0");
}

std::string restoreAt() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    auto* restore = menu == nullptr ? nullptr : menu->findChild<QAction*>(QStringLiteral("mnuSysRestore"));
    if (restore == nullptr) return "none";
    return point(menu->mapToGlobal(menu->actionGeometry(restore).center()));
}

// The controller as the face sees it, answering as the real one does.
class ProbeOwner : public kez::ombrel::test::RecordingOwner {
public:
    using RecordingOwner::RecordingOwner;

    void ActivateUI(bool bForce) override {
        RecordingOwner::ActivateUI(bForce);
        form->restoreWindow();
    }
    void PopupSysMenu(bool bShowRestore) override {
        RecordingOwner::PopupSysMenu(bShowRestore);
        form->mnuSysRestore().setVisible(bShowRestore);
        form->mnuSysMenu().popup(QCursor::pos());
    }
    bool bTrayIconShown() const override { return tray != nullptr && tray->isVisible(); }

    KzSetPhoneForm* form = nullptr;
    QSystemTrayIcon* tray = nullptr;
};

struct Probe {
    KzSetPhoneForm& form;
    ProbeOwner& owner;
    kez::ombrel::test::FaceEvents& events;
    std::optional<std::size_t> awaited;

    void answerAwait() {
        if (awaited && events.events.size() >= *awaited) {
            awaited.reset();
            std::cout << "ok" << std::endl;
        }
    }

    // The answer, or nothing while an "await" waits.
    std::optional<std::string> run(const std::string& command) {
        if (command == "calls") return joined(owner.calls);
        if (command == "events") return joined(events.take());
        if (command.rfind("await ", 0) == 0) {
            awaited = std::stoul(command.substr(6));
            answerAwait();
            return std::nullopt;
        }
        if (command.rfind("label ", 0) == 0)
            return form.txtLineLabels(std::stoi(command.substr(6)))->text().toStdString();
        if (command == "state") return windowState(form);
        if (command == "popup") return popup();
        if (command == "restore-at") return restoreAt();
        if (command == "tray-at") {
            const QRect icon = owner.tray == nullptr ? QRect() : owner.tray->geometry();
            return icon.isEmpty() ? "none" : point(icon.center());
        }
        if (command == "layout") return layout(form);
        if (command == "where") return where(form);
        if (command == "shaped") return form.outline().isShaped() ? "1" : "0";
        if (command == "flip")
            form.FlipLCDState();
        else if (command == "restore")
            form.RestoreLCDState();
        else if (command == "toggle")
            form.mToggleClippingRegion();
        else if (command.rfind("display ", 0) == 0)
            form.SetDisplay(command.substr(8), "");
        else if (command == "quit")
            QApplication::quit();
        else
            return "unknown";
        return "ok";
    }
};

bool hasArgument(int argc, char** argv, const std::string& wanted) {
    for (int i = 2; i < argc; ++i) {
        if (argv[i] == wanted) return true;
    }
    return false;
}

// The tray shows its icons once a tray host runs; give it time to come up.
void waitForTray() {
    for (int i = 0; i < 600 && !QSystemTrayIcon::isSystemTrayAvailable(); ++i) {
        QApplication::processEvents();
        usleep(100'000);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    if (argc < 2) {
        std::cerr << "usage: face_probe <Type> [transparent] [tray]\n";
        return 2;
    }
    kez::ombrel::OptionsClass options;
    options.LoadSettings();
    options.nUIType = static_cast<std::int16_t>(std::stoi(argv[1]));
    options.bDefaultTransparent = hasArgument(argc, argv, "transparent");
    ProbeOwner owner(options);
    KzSetPhoneForm form;
    owner.form = &form;
    kez::ombrel::test::FaceEvents events(form, owner.buttons);
    form.Initialize(owner, owner.buttons, owner.leds);
    QSystemTrayIcon tray(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
    if (hasArgument(argc, argv, "tray")) {
        waitForTray();
        owner.tray = &tray;
        QObject::connect(&tray, &QSystemTrayIcon::activated, [&owner](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Context) owner.PopupSysMenu(true);
            if (reason == QSystemTrayIcon::Trigger) owner.ActivateUI(true);
        });
        tray.show();
    }
    form.show();
    std::cout << "ready" << std::endl;

    Probe probe{form, owner, events, std::nullopt};
    QObject::connect(&form, &kez::ombrel::PhoneForm::ButtonDown, [&probe] { probe.answerAwait(); });
    QObject::connect(&form, &kez::ombrel::PhoneForm::ButtonUp, [&probe] { probe.answerAwait(); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) return QApplication::quit();
        if (const auto answer = probe.run(command)) std::cout << *answer << std::endl;
    });
    return QApplication::exec();
}
