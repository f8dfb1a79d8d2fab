// face_probe: the face window in a process of its own, for the density rows and the tests on a real X server.
//   face_probe <Type> [transparent]
// Loads the face through Initialize with a controller that only answers, prints "ready", shows it and then
// takes one command a line on standard input, answering each with one line:
//   layout          the density and the measures of the window, label boxes and display lines
//   where           the window's id and the canvas's place on the screen: "<id> <x> <y> <w> <h>"
//   shaped          "1" while the window has the set's outline, else "0"
//   calls           what the face called on its controller, joined by ","
//   flip | restore | toggle | display <text> | quit
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>

#include <unistd.h>

#include <iostream>
#include <sstream>
#include <string>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "kez/ui/metrics.h"

namespace {

using kez::ombrel::KzSetPhoneForm;

std::string rect(const QRect& r) {
    std::ostringstream out;
    out << r.x() << ' ' << r.y() << ' ' << r.width() << ' ' << r.height();
    return out.str();
}

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

std::string run(KzSetPhoneForm& form, const kez::ombrel::test::RecordingOwner& owner, const std::string& command) {
    if (command == "calls") {
        std::string calls;
        for (const auto& call : owner.calls)
            calls += (calls.empty() ? "" : ",") + call;
        return calls;
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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    if (argc < 2) {
        std::cerr << "usage: face_probe <Type> [transparent]\n";
        return 2;
    }
    kez::ombrel::OptionsClass options;
    options.LoadSettings();
    options.nUIType = static_cast<std::int16_t>(std::stoi(argv[1]));
    options.bDefaultTransparent = argc > 2 && std::string(argv[2]) == "transparent";
    kez::ombrel::test::RecordingOwner owner(options);
    KzSetPhoneForm form;
    form.Initialize(owner, owner.buttons, owner.leds);
    form.show();
    std::cout << "ready" << std::endl;

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) return QApplication::quit();
        std::cout << run(form, owner, command) << std::endl;
    });
    return QApplication::exec();
}
