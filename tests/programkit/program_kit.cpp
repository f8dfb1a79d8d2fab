#include "program_kit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "eventually.h"
#include "net_namespace.h"
#include "ombrel/registry.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;
using kez::test::runCommand;

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

} // namespace

ProgramWorld::ProgramWorld(bool tray) : x_(true), wire_("vhub:" + kez::test::uniqueName("op")) {
    programs_.add("wizard");
    programs_.add("xdg-screensaver");
    for (const char* server : {LINKOR_LIBRARY, SONWELL_LIBRARY, CORVANE_LIBRARY}) {
        const auto registered = runCommand({KEZREGSVR_PATH, server});
        if (!registered.ok()) throw std::runtime_error("kezregsvr " + std::string(server) + ": " + registered.err);
    }
    // A set that was set up: the call server's version chosen, the wizard done.
    set("Wizard", "AutoLaunch", "False");
    set("Communications", "XAVVersion", "3");
    hub_ = std::make_unique<net::VirtualWireHub>(wire_.substr(5));
    if (!hub_->start().ok()) throw std::runtime_error("the virtual wire's hub did not start");
    if (!tray) return;
    if (!tray_.start({"trayer", "--edge", "top", "--align", "right"}, x_.environment()))
        throw std::runtime_error("trayer did not start");
    if (!kez::test::eventually([&] { return !x({"xdotool", "search", "--name", "^panel$"}).out.empty(); }, 30s))
        throw std::runtime_error("trayer did not show its panel");
}

ProgramWorld::~ProgramWorld() {
    if (program_.pid() != 0 && !program_.wait(0ms)) {
        ::kill(program_.pid(), SIGTERM);
        program_.wait(20s);
    }
}

void ProgramWorld::set(const std::string& subkey, const std::string& name, const std::string& value) const {
    gSetRegParam(Hive::LocalMachine, settingsKey(subkey), name, value);
}

std::string ProgramWorld::get(const std::string& subkey, const std::string& name) const {
    return gGetRegParamString(Hive::LocalMachine, settingsKey(subkey), name, "");
}

std::vector<std::string> ProgramWorld::environment() const {
    auto entries = x_.environment();
    entries.insert(entries.end(), {"KEZ_PROGRAM_DIR=" + programs_.folder().string(), "KEZ_ADAPTERS=" + wire_,
                                   "KEZ_AUDIO_DEVICES=virtual:Speaker,virtual:Headset"});
    return entries;
}

bool ProgramWorld::start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                         const std::vector<std::string>& prefix) {
    std::vector<std::string> argv = prefix;
    argv.push_back(OMBREL_PROGRAM);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto entries = this->environment();
    entries.insert(entries.end(), environment.begin(), environment.end());
    return program_.start(argv, entries);
}

std::optional<int> ProgramWorld::ended(std::chrono::milliseconds limit) { return program_.wait(limit); }

std::string ProgramWorld::awaitWindow(const std::string& pattern, std::chrono::milliseconds limit) const {
    std::string window;
    kez::test::eventually(
        [&] {
            window = firstLine(x({"xdotool", "search", "--onlyvisible", "--name", pattern}).out);
            return !window.empty();
        },
        limit);
    return window;
}

bool ProgramWorld::visible(const std::string& window) const {
    return x({"xwininfo", "-id", window}).out.find("Map State: IsViewable") != std::string::npos;
}

std::string ProgramWorld::activeWindow() const { return firstLine(x({"xdotool", "getactivewindow"}).out); }

std::string ProgramWorld::trayIcon() const {
    // The only window of the program's class that is named after the program itself.
    for (const auto& line : kez::test::linesOf(x({"xwininfo", "-root", "-tree"}).out)) {
        const auto at = line.find("0x");
        if (at == std::string::npos || line.find("\"ombrel\": (\"ombrel\" \"ombrel\")") == std::string::npos) continue;
        return line.substr(at, line.find(' ', at) - at);
    }
    return {};
}

std::vector<std::string> ProgramWorld::wizardStarts() const { return starts(programs_, "wizard"); }

} // namespace kez::ombrel::test
