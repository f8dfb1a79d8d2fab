// The program ombrel on a real X server, driven as a user would through xdotool: one copy at a time, the partner
// check, the write check, the hand-over to the wizard, the tray, the close box, SIGTERM and a refused priority.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include "eventually.h"
#include "program_kit.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;
using kez::test::eventually;

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Program, WithoutAStateFolderToWriteInItShowsTheAccessBoxAndEndsBeforeAnyWindow) {
    ProgramWorld world(false);
    // A file where the folder should be: not even root can write in it.
    const auto notAFolder = world.world().folder() / "state-file";
    kez::test::writeFile(notAFolder, "");
    ASSERT_TRUE(world.start({}, {"XDG_STATE_HOME=" + notAFolder.string()}));
    const auto box = world.awaitWindow("^Ombrel - User Access Error$");
    ASSERT_FALSE(box.empty());
    const auto shown = world.world().boxLog();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].starts_with("critical\tok\tOmbrel - User Access Error\tThe logged on \"user\" account"))
        << shown[0];
    world.x({"xdotool", "windowactivate", "--sync", box, "key", "Return"});
    EXPECT_EQ(world.ended(), 0);
    EXPECT_TRUE(world.awaitWindow("^KEZ Ombrel", 0ms).empty());
}

TEST(Program, ASecondCopyEndsAndBringsTheFirstBackToTheFront) {
    ProgramWorld world;
    ASSERT_TRUE(world.start());
    const auto window = world.awaitWindow();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(eventually([&] { return !world.trayIcon().empty(); }, 30s));
    world.x({"xdotool", "windowminimize", window});
    ASSERT_TRUE(eventually([&] { return !world.visible(window); }, 30s)) << "minimised into the tray";

    kez::test::ChildProcess second;
    ASSERT_TRUE(second.start({OMBREL_PROGRAM}, world.environment()));
    EXPECT_EQ(second.wait(60s), 0);
    EXPECT_TRUE(eventually([&] { return world.visible(window) && world.activeWindow() == window; }, 30s));
    EXPECT_TRUE(hasLine(world.world().logTexts(), "ERROR:  gPreventMultipleInstances True [0H] - Found"));
}

TEST(Program, BesideARunningWizardItShowsThePartnerBoxAndEnds) {
    ProgramWorld world(false);
    kez::test::ChildProcess wizard;
    ASSERT_TRUE(wizard.start({OMBREL_PROBE, "wizard"}, world.environment()));
    ASSERT_EQ(wizard.readLine(30s), "ready:");
    ASSERT_TRUE(world.start());
    const auto box = world.awaitWindow("^Ombrel$");
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(world.world().boxLog(), std::vector<std::string>{"information\tok\tOmbrel\tMust launch Ombrel from "
                                                               "wizard by pressing Finished button."});
    world.x({"xdotool", "windowactivate", "--sync", box, "key", "Return"});
    EXPECT_EQ(world.ended(), 0);
    EXPECT_TRUE(world.awaitWindow("^KEZ Ombrel", 0ms).empty());
}

TEST(Program, WhileTheSettingsAskForTheWizardItStartsItWithInternalAndEnds) {
    ProgramWorld world(false);
    world.set("Wizard", "AutoLaunch", "True");
    ASSERT_TRUE(world.start());
    EXPECT_EQ(world.ended(), 0);
    EXPECT_TRUE(eventually([&] { return world.wizardStarts() == std::vector<std::string>{"INTERNAL"}; }, 30s));
    EXPECT_TRUE(world.awaitWindow("^KEZ Ombrel", 0ms).empty());
}

TEST(Program, ATrayClickBringsBackTheHiddenWindowWithoutPopUps) {
    ProgramWorld world;
    world.set("Communications", "IncomingCallPopup", "False");
    ASSERT_TRUE(world.start());
    const auto window = world.awaitWindow();
    ASSERT_FALSE(window.empty());
    std::string icon;
    ASSERT_TRUE(eventually([&] { return !(icon = world.trayIcon()).empty(); }, 30s));
    world.x({"xdotool", "windowminimize", window});
    ASSERT_TRUE(eventually([&] { return !world.visible(window); }, 30s));
    world.x({"xdotool", "mousemove", "--window", icon, "8", "8", "click", "1"});
    EXPECT_TRUE(eventually([&] { return world.visible(window); }, 30s));
}

TEST(Program, ShutDownFromTheCloseBoxEndsTheProgramAndTakesItsIconAway) {
    ProgramWorld world;
    ASSERT_TRUE(world.start());
    const auto window = world.awaitWindow();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(eventually([&] { return !world.trayIcon().empty(); }, 30s));
    world.x({"xdotool", "windowactivate", "--sync", window, "key", "alt+F4"});
    const auto choice = world.awaitWindow("^Close KEZ Ombrel$");
    ASSERT_FALSE(choice.empty());
    // The tray is offered first: the choice above it shuts down.
    world.x({"xdotool", "mousemove", "--window", choice, "30", "20", "click", "1"});
    world.x({"xdotool", "windowactivate", "--sync", choice, "key", "Return"});
    EXPECT_EQ(world.ended(), 0);
    EXPECT_TRUE(world.trayIcon().empty());
    EXPECT_EQ(world.get("Safety", "InitializedProperly"), "True");
}

TEST(Program, SigtermShutsTheSetDownAsExitDoes) {
    ProgramWorld world;
    ASSERT_TRUE(world.start());
    const auto window = world.awaitWindow();
    ASSERT_FALSE(window.empty());
    world.x({"xdotool", "windowmove", "--sync", window, "200", "150"});
    ASSERT_EQ(::kill(world.program().pid(), SIGTERM), 0);
    EXPECT_EQ(world.ended(), 0);
    EXPECT_TRUE(world.trayIcon().empty());
    EXPECT_NE(world.get("UI", "WindowPosLeft"), "-1") << "the place is saved on the way out";
}

TEST(Program, ARefusedPriorityIsToldAndTheSetStartsAnyway) {
    ProgramWorld world(false);
    world.set("Communications", "ProcessPriorityLevel", "2");
    std::vector<std::string> argv;
    // Root may raise any priority; without the capability it may not.
    if (::geteuid() == 0) argv = {"--bounding-set=-sys_nice"};
    kez::test::ChildProcess program;
    std::vector<std::string> command{"setpriv"};
    command.insert(command.end(), argv.begin(), argv.end());
    command.push_back(OMBREL_PROGRAM);
    ASSERT_TRUE(program.start(command, world.environment()));
    const auto box = world.awaitWindow("^Ombrel$");
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(world.world().boxLog(),
              std::vector<std::string>{"exclamation\tok\tOmbrel\tFailed to set the application priority level."});
    world.x({"xdotool", "windowactivate", "--sync", box, "key", "Return"});
    EXPECT_FALSE(world.awaitWindow().empty());
}

} // namespace
} // namespace kez::ombrel::test
