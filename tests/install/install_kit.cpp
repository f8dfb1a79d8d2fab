#include "install_kit.h"

#include <signal.h>

#include <algorithm>

#include "eventually.h"
#include "net_namespace.h"

namespace kez::install::test {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

SetWorld::SetWorld() : wire_("vhub:" + kez::test::uniqueName("set")) {
    for (const char* name : {"registry", "config", "state", "run"})
        fs::create_directories(dir_ / name);
    // The instance flags want a runtime folder only its owner may enter.
    fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
}

SetWorld::~SetWorld() {
    // The set ends as at a session's end; the simulator with it.
    for (auto* child : {&set_, &simulator_}) {
        if (child->pid() == 0 || child->wait(0ms)) continue;
        ::kill(child->pid(), SIGTERM);
        child->wait(20s);
    }
}

std::vector<std::string> SetWorld::environment() const {
    auto entries = x_.environment();
    entries.insert(entries.end(),
                   {"KEZ_REGISTRY_DIR=" + registry().string(), "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                    "XDG_STATE_HOME=" + (dir_ / "state").string(), "XDG_RUNTIME_DIR=" + (dir_ / "run").string(),
                    "KEZ_ADAPTERS=" + wire_, "KEZ_AUDIO_DEVICES=virtual:Speaker,virtual:Headset"});
    return entries;
}

kez::test::CommandResult SetWorld::kezreg(const fs::path& kezreg, const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{kezreg.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return kez::test::runCommand(argv, environment());
}

bool SetWorld::setUpAsTheWizardWould(const fs::path& kezreg) const {
    const std::string key = kSettingsKey;
    return this->kezreg(kezreg, {"set", key + "\\Wizard", "AutoLaunch", "REG_SZ", "False"}).ok() &&
           this->kezreg(kezreg, {"set", key + "\\Communications", "XAVVersion", "REG_SZ", "3"}).ok() &&
           this->kezreg(kezreg, {"set", key + "\\Communications", "VuruvMac", "REG_SZ", kSimulatorMac}).ok();
}

bool SetWorld::startSimulator() {
    return simulator_.start({KEZ_PYTHON, KEZ_SOURCE_DIR "/tests/callserver/kezsim", "serve", "--period", "0.2",
                             "--wire", wire_, "--mac", kSimulatorMac, "--ext", "201"},
                            // The wire's hub lives in the runtime folder the set looks in.
                            {"PYTHONDONTWRITEBYTECODE=1", "XDG_RUNTIME_DIR=" + (dir_ / "run").string()}) &&
           awaitLine(simulator_, said_, {"kezsim: listening on " + wire_}, 30s);
}

bool SetWorld::startSet(const fs::path& ombrel, const std::vector<std::string>& extra) {
    auto entries = environment();
    entries.insert(entries.end(), extra.begin(), extra.end());
    return set_.start({ombrel.string()}, entries);
}

bool SetWorld::inService() {
    return awaitLine(simulator_, said_, {"ext 201", "in service"}) && !x_.awaitWindow(kSetWindow, 30s).empty();
}

} // namespace kez::install::test
