// The demo's start-up road (scripts/demo-run, what scripts/demo runs once the build is there) on a private X
// server where no sound server answers: the simulator comes first, the set only once it listens, and the set
// plays into a private PulseAudio; a simulator that starts slowly only delays the set, and a demo whose last
// start failed (which leaves "InitializedProperly" False) starts from fresh settings instead of Options.
#include <gtest/gtest.h>

#include <signal.h>

#include "install_kit.h"
#include "net_namespace.h"

namespace kez::install::test {
namespace {

using namespace std::chrono_literals;

struct DemoCase {
    const char* name;
    int simulatorDelaySeconds;
    bool lastStartFailed;
};

class DemoRun : public ::testing::TestWithParam<DemoCase> {};

TEST_P(DemoRun, ShowsTheSetInServiceWithoutASoundServer) {
    const SetWorld world; // the display and a private runtime folder; the demo keeps its own settings
    auto environment = world.x().environment();
    environment.insert(environment.end(), {"XDG_RUNTIME_DIR=" + (world.folder() / "run").string(), "SUDO_USER=",
                                           // No sound server answers here, whatever runs on this machine.
                                           "PULSE_SERVER=unix:" + (world.folder() / "no-sound-server").string(),
                                           "KEZSIM_DELAY=" + std::to_string(GetParam().simulatorDelaySeconds)});
    const auto wire = kez::test::uniqueName("demo");
    const auto demoFolder = world.folder() / "demo";
    if (GetParam().lastStartFailed) {
        const auto failed =
            kez::test::runCommand({KEZ_BINARY_DIR "/tools/kezreg/kezreg", "set", std::string(kSettingsKey) + "\\Safety",
                                   "InitializedProperly", "REG_SZ", "False"},
                                  {"KEZ_REGISTRY_DIR=" + (demoFolder / "registry").string(),
                                   "XDG_CONFIG_HOME=" + (demoFolder / "config").string()});
        ASSERT_TRUE(failed.ok()) << failed.err;
    }
    kez::test::ChildProcess demo;
    // In a process group of its own, so that the end reaches the set, the simulator and the sound server.
    ASSERT_TRUE(demo.start({"setsid", "bash", KEZ_SOURCE_DIR "/scripts/demo-run", "--build", KEZ_BINARY_DIR, "--demo",
                            demoFolder.string(), "--wire", wire, "--type", "0"},
                           environment));
    std::string said;
    if (GetParam().lastStartFailed) {
        EXPECT_TRUE(awaitLine(demo, said, {"demo: the last demo did not reach a running set"}, 30s)) << said;
    }
    EXPECT_TRUE(awaitLine(demo, said, {"demo: no sound server or sound card answered"}, 30s)) << said;
    EXPECT_TRUE(awaitLine(demo, said, {"ext 201", "in service"}, kServiceLimit + 1s * GetParam().simulatorDelaySeconds))
        << said;
    EXPECT_FALSE(world.x().awaitWindow(kSetWindow, 30s).empty()) << said;

    ::kill(-demo.pid(), SIGTERM);
    EXPECT_TRUE(demo.wait(30s)) << "the demo ends with its set";
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoRun,
                         ::testing::Values(DemoCase{"NoSoundServer", 0, false}, DemoCase{"SlowSimulator", 4, false},
                                           DemoCase{"AfterAFailedStart", 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kez::install::test
