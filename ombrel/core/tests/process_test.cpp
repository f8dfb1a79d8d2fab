// The core's start-up routines in real processes: single instance and the partner check between copies of a
// stand-in program, and saving settings without the right to write the machine hive (by the store's switch
// and as the user nobody).
#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "kez/reg/registry.h"
#include "ombrel/registry.h"
#include "ombrel_test_env.h"
#include "privileged.h"
#include "process.h"
#include "unprivileged_copy.h"

namespace kez::ombrel {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kez::test::ChildProcess;

const std::vector<std::string> kAsNobody{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};

void requireNobody() {
    if (::geteuid() != 0) KEZ_SKIP_OR_FAIL("needs root to run as nobody");
    if (::getpwnam("nobody") == nullptr) KEZ_SKIP_OR_FAIL("needs the user nobody");
}

// Gives `path` to nobody.
void handToNobody(const fs::path& path) {
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
}

TEST(Instance, ASecondCopyAsksTheFirstToTheFrontAndEndsAndAKilledHolderLeavesNoFlag) {
    const test::OmbrelWorld world;
    ChildProcess first;
    ASSERT_TRUE(first.start({OMBREL_PROBE, "ombrel"}));
    ASSERT_EQ(first.readLine(20s), "ready:");

    ChildProcess second;
    ASSERT_TRUE(second.start({OMBREL_PROBE, "ombrel"}));
    EXPECT_EQ(second.wait(20s), 0);
    EXPECT_EQ(first.readLine(10s), "activate");
    EXPECT_EQ(world.logTexts(), std::vector<std::string>{"ERROR:  gPreventMultipleInstances True [0H] - Found"});

    ::kill(first.pid(), SIGKILL);
    EXPECT_EQ(first.wait(10s), 128 + SIGKILL);
    ChildProcess third;
    ASSERT_TRUE(third.start({OMBREL_PROBE, "ombrel"}));
    EXPECT_EQ(third.readLine(20s), "ready:");
}

TEST(Instance, APartnerRunningRefusesAStartWithoutInternal) {
    struct {
        const char* running;
        const char* started;
        const char* box;
    } const cases[] = {
        {"wizard", "ombrel", "information\tok\tOmbrel\tMust launch Ombrel from wizard by pressing Finished button."},
        {"ombrel", "wizard", "information\tok\tOmbrelWizard\tMust launch wizard from Ombrel options screen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.started);
        const test::OmbrelWorld world;
        ChildProcess partner;
        ASSERT_TRUE(partner.start({OMBREL_PROBE, c.running}));
        ASSERT_EQ(partner.readLine(20s), "ready:");

        ChildProcess byHand;
        ASSERT_TRUE(byHand.start({OMBREL_PROBE, c.started, "internal"}));
        EXPECT_EQ(byHand.wait(20s), 0);
        EXPECT_EQ(world.boxLog(), std::vector<std::string>{c.box});

        ChildProcess byPartner;
        ASSERT_TRUE(byPartner.start({OMBREL_PROBE, c.started, "-platform", "offscreen", "INTERNAL"}));
        EXPECT_EQ(byPartner.readLine(20s), "ready:INTERNAL");
        EXPECT_EQ(world.boxLog().size(), 1u);
    }
}

TEST(ReadOnlyMachineHive, SavesThePerUserValuesAndStopsAtTheFirstMachineValue) {
    struct {
        const char* what;
        bool asNobody;
        bool display;
    } const cases[] = {
        {"store switch", false, false}, {"store switch, box asked", false, true}, {"as nobody", true, true}};
    const std::string box = "exclamation\tok\tError\tFailed to save your settings. Please check your user privileges.";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asNobody) requireNobody();
        if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
        const test::OmbrelWorld world;
        gSetRegParam(Hive::LocalMachine, settingsKey("Communications"), "VuruvMac", "00:11:22:33:44:55");
        const auto machineBefore = kez::test::readFile(world.machineFile());

        std::vector<std::string> argv{OMBREL_PROBE, "save"};
        std::vector<std::string> environment{"KEZ_REGISTRY_READONLY=machine"};
        const kez::test::UnprivilegedCopy copy("ombrel-probe", {OMBREL_PROBE, KEZPLAT_PATH});
        if (c.asNobody) {
            fs::permissions(world.folder(), fs::perms(0755));
            for (const auto& folder : {world.folder() / "kez-ombrel", world.folder() / "state"}) {
                fs::create_directory(folder);
                handToNobody(folder);
            }
            kez::test::writeFile(world.folder() / "boxes.log", "");
            handToNobody(world.folder() / "boxes.log");
            argv = kAsNobody;
            argv.insert(argv.end(), {(copy.folder() / "ombrel_probe").string(), "save"});
            environment = {"LD_LIBRARY_PATH=" + copy.folder().string(), "KEZ_REGISTRY_READONLY="};
        }
        if (c.display) argv.push_back("display");

        const auto run = kez::test::runCommand(argv, environment);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "probe=False error=True\n");
        EXPECT_EQ(kez::test::readFile(world.machineFile()), machineBefore);
        const std::string user = world.exportSettings("HKCU");
        EXPECT_EQ(std::count_if(user.begin(), user.end(), [](char c) { return c == '='; }), 3) << user;
        EXPECT_NE(user.find("\"ToneVolume\"=sz:\"50\""), std::string::npos) << user;
        EXPECT_NE(user.find("\"IncomingCallPopup\"=sz:\"True\""), std::string::npos) << user;
        EXPECT_NE(user.find("\"ControlMixer\"=sz:\"False\""), std::string::npos) << user;
        EXPECT_EQ(world.boxLog(), c.display ? std::vector<std::string>{box} : std::vector<std::string>{});
    }
}

TEST(WriteAccess, IsRefusedToNobodyOnAFolderItMayNotWrite) {
    requireNobody();
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    struct {
        fs::perms mode;
        bool nobodysOwn;
        const char* expected;
    } const cases[] = {{fs::perms(0555), false, "False\n"}, {fs::perms(0700), true, "True\n"}};
    for (const auto& c : cases) {
        const test::OmbrelWorld world;
        const kez::test::UnprivilegedCopy copy("ombrel-probe", {OMBREL_PROBE, KEZPLAT_PATH});
        const auto state = world.folder() / "state" / "kez-ombrel";
        fs::create_directories(state);
        fs::permissions(world.folder(), fs::perms(0755));
        fs::permissions(world.folder() / "state", fs::perms(0755));
        fs::permissions(state, c.mode);
        if (c.nobodysOwn) handToNobody(state);
        auto argv = kAsNobody;
        argv.insert(argv.end(), {(copy.folder() / "ombrel_probe").string(), "write-access"});
        const auto run = kez::test::runCommand(argv, {"LD_LIBRARY_PATH=" + copy.folder().string()});
        EXPECT_EQ(run.out, c.expected) << run.err;
    }
}

} // namespace
} // namespace kez::ombrel
