// simple_form_probe: the simple phone form in a process of its own, for the tests on a real X server.
// Shows the form, initialised by a recording controller over the hives' settings, and prints "ready <window id>";
// then every ButtonDown and ButtonUp as "event: down <button> <tag>" and "event: up <tag>" as it comes, and the
// answer to one command a line on standard input:
//   focus           "1" while the form is the active window and holds the keyboard, else "0"
//   calls           what the form called on its controller, joined by ","
//   options <tab>   shows the Options dialog on that tab; answers its window id
//   quit
#include <QApplication>
#include <QSocketNotifier>
#include <QTabWidget>

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>

#include "kez/ui/metrics.h"
#include "ombrel/options.h"
#include "ombrel/options_dialog_form.h"
#include "ombrel/simple_phone_form.h"
#include "ombrel/testing/recording_owner.h"

namespace {

using namespace kez::ombrel;

class QuietOptionsOwner : public OptionsOwner {
public:
    explicit QuietOptionsOwner(OptionsClass& options) : options_(options) {}
    OptionsClass& oOptions() override { return options_; }
    void TestBeep(std::int32_t, std::int32_t) override {}
    bool InitializeMixerState() override { return true; }
    bool bEngineExists() const override { return true; }

private:
    OptionsClass& options_;
};

std::string joined(const std::vector<std::string>& calls) {
    std::string text;
    for (const auto& call : calls)
        text += (text.empty() ? "" : ",") + call;
    return text;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    OptionsClass options;
    options.LoadSettings();
    testing::RecordingOwner owner(options);
    QuietOptionsOwner optionsOwner(options);
    SimplePhoneForm form;
    form.Initialize(owner, owner.buttons, owner.leds);
    form.SetDisplay("KEZ Ombrel", "Waiting for Init");
    QObject::connect(&form, &PhoneForm::ButtonDown, [](std::int16_t button, KeyId key) {
        std::cout << "event: down " << button << ' ' << key << std::endl;
    });
    QObject::connect(&form, &PhoneForm::ButtonUp, [](KeyId key) { std::cout << "event: up " << key << std::endl; });
    form.show();
    std::cout << "ready " << form.winId() << std::endl;

    std::unique_ptr<OptionsDialogForm> dialog;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command) || command == "quit") return QApplication::quit();
        if (command == "focus") {
            std::cout << (form.isActiveWindow() && form.hasFocus() ? "1" : "0") << std::endl;
        } else if (command == "calls") {
            std::cout << joined(owner.calls) << std::endl;
        } else if (command.rfind("options ", 0) == 0) {
            if (!dialog) {
                dialog = std::make_unique<OptionsDialogForm>();
                dialog->bInitialize(optionsOwner);
            }
            dialog->findChild<QTabWidget*>(QStringLiteral("tabOptions"))->setCurrentIndex(std::stoi(command.substr(8)));
            dialog->show();
            std::cout << dialog->winId() << std::endl;
        } else {
            std::cout << "unknown" << std::endl;
        }
    });
    return QApplication::exec();
}
