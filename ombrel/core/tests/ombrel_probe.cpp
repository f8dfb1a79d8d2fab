// A stand-in program for the process tests: the core's start-up routines as ombrel and the wizard run them.
//   ombrel_probe save [display]      loads the settings, sets ToneVolume 50, saves; prints what it found
//   ombrel_probe write-access        prints gHasWriteAccess
//   ombrel_probe ombrel|wizard [..]  the single-instance check, then "ready:<command line>" and "activate"
//                                    for each request to come to the front, until killed
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "kez/ui/instance_beacon.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/titles.h"

namespace {

using namespace kez;

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

int save(bool display) {
    ombrel::OptionsClass options;
    const bool probe = options.bWriteToRegistry();
    options.LoadSettings();
    options.lToneVolume = 50;
    bool refused = false;
    options.SaveSettings(display, refused);
    say("probe=" + std::string(vb::boolText(probe)) + " error=" + std::string(vb::boolText(refused)));
    return 0;
}

int instance(int argc, char** argv, bool isOmbrel) {
    // Qt takes its own arguments (-platform ...) out of argv; the program's command line is the rest.
    QApplication application(argc, argv);
    ui::setProgramTitle(std::string(isOmbrel ? ombrel::kOmbrelTitle : ombrel::kWizardTitle));
    if (!ombrel::gPreventMultipleInstances(isOmbrel)) return 0;
    QObject::connect(ombrel::instanceBeacon(), &ui::InstanceBeacon::activateRequested, [] { say("activate"); });
    say("ready:" + ombrel::gCommandLine());
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "save") return save(argc > 2 && std::strcmp(argv[2], "display") == 0);
    if (command == "write-access") {
        say(std::string(kez::vb::boolText(ombrel::gHasWriteAccess())));
        return 0;
    }
    if (command == "ombrel" || command == "wizard") {
        // The role is this stand-in's own argument, not part of the command line it checks.
        argv[1] = argv[0];
        return instance(argc - 1, argv + 1, command == "ombrel");
    }
    std::fputs("usage: ombrel_probe save [display] | write-access | ombrel|wizard [arguments]\n", stderr);
    return 2;
}
