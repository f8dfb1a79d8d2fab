// wizard_net_probe: the wizard's main window offscreen on the engine the hives register, for the end-to-end
// tests that run it inside a network namespace, as root or as the user nobody. Boxes are recorded (and logged
// where KEZ_UI_BOX_LOG says), never shown. Prints "ready" once the window is initialised ("failed" and ends
// when it is not), then answers one command a line on standard input:
//   set <box> <text>   puts the text into a box of the main window               -> "ok"
//   click <button>     presses a button of the main window once the command is answered -> "ok"
//   press <button>     presses a button of the open dialog                         -> "ok"
//   select <row>       selects that line of the open discovery dialog, presses Select -> "ok"
//   text <control>     a box's text or a button's caption, the open dialog's first -> "text <text>"
//   lines              the open discovery dialog's lines, joined by "|"           -> "lines <lines>"
//   dialog             the open dialog's name, or "none"                           -> "dialog <name>"
//   threads <name>     the ids of this process's threads of that name, in order    -> "threads <ids>"
//   quit               closes the open dialog and ends
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "config_wizard_form.h"
#include "kez/ui/apt_bridge.h"
#include "kez/ui/message_boxes.h"

namespace {

using kez::wizard::ConfigWizardForm;

QWidget* openDialog() { return QApplication::activeModalWidget(); }

template <class Control>
Control* find(const QWidget* root, const std::string& name) {
    return root == nullptr ? nullptr : root->findChild<Control*>(QString::fromStdString(name));
}

std::string textOf(const ConfigWizardForm& form, const std::string& name) {
    for (const QWidget* root : {static_cast<const QWidget*>(openDialog()), static_cast<const QWidget*>(&form)}) {
        if (const auto* box = find<QLineEdit>(root, name)) return box->text().toStdString();
        if (const auto* button = find<QAbstractButton>(root, name)) return button->text().toStdString();
    }
    return "<no " + name + ">";
}

std::string linesOf(const QListWidget* list) {
    std::string lines;
    for (int row = 0; list != nullptr && row < list->count(); ++row)
        lines += (row == 0 ? "" : "|") + list->item(row)->text().toStdString();
    return lines;
}

// The ids of this process's threads of that name.
std::string threadsNamed(const std::string& name) {
    std::vector<long> ids;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string shown;
        if (std::getline(comm, shown) && shown == name) ids.push_back(std::stol(task.path().filename().string()));
    }
    std::sort(ids.begin(), ids.end());
    std::string text;
    for (const long id : ids)
        text += " " + std::to_string(id);
    return text;
}

// The answer to one command.
std::string answer(ConfigWizardForm& form, const std::string& command) {
    std::istringstream words(command);
    std::string verb, name;
    words >> verb >> name;
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (verb == "set") {
        auto* box = find<QLineEdit>(&form, name);
        if (box == nullptr) return "no " + name;
        box->setText(QString::fromStdString(rest));
    } else if (verb == "click") {
        auto* button = find<QAbstractButton>(&form, name);
        if (button == nullptr) return "no " + name;
        // Its dialog runs in a loop of its own, which must not hold this answer back.
        QTimer::singleShot(0, button, &QAbstractButton::click);
    } else if (verb == "press") {
        auto* button = find<QAbstractButton>(openDialog(), name);
        if (button == nullptr) return "no " + name;
        button->click();
    } else if (verb == "select") {
        auto* list = find<QListWidget>(openDialog(), "lstMacs");
        if (list == nullptr) return "no lstMacs";
        list->setCurrentRow(std::stoi(name));
        find<QAbstractButton>(openDialog(), "cmdSelect")->click();
    } else if (verb == "text") {
        return "text " + textOf(form, name);
    } else if (verb == "lines") {
        return "lines " + linesOf(find<QListWidget>(openDialog(), "lstMacs"));
    } else if (verb == "dialog") {
        return "dialog " + (openDialog() == nullptr ? std::string("none") : openDialog()->objectName().toStdString());
    } else if (verb == "threads") {
        return "threads" + threadsNamed(name + (rest.empty() ? "" : " " + rest));
    } else {
        return "unknown " + verb;
    }
    return "ok";
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    kez::ui::setProgramTitle("OmbrelWizard");
    kez::ui::setMessageBoxes(std::make_shared<kez::ui::RecordingMessageBoxes>());
    const kez::ui::AptBridge bridge;
    ConfigWizardForm form;
    // The raster engine paints large areas on Qt's global thread pool. A pool thread that ends only as the
    // process ends leaves its thread data to the leak checker; each ends as soon as its paint is done.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    if (!form.bInitialize()) {
        std::cout << "failed" << std::endl;
        return 1;
    }
    std::cout << "ready" << std::endl;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command) || command == "quit") {
            // An open dialog is closed first, so its loop ends before the window's engine goes.
            if (QWidget* dialog = openDialog()) dialog->close();
            return QTimer::singleShot(0, [] { QApplication::exit(0); });
        }
        std::cout << answer(form, command) << std::endl;
    });
    return QApplication::exec();
}
