// The wizard as a program on a real X server with a window manager, driven by xdotool: one window of its
// exact name, the single-copy and partner checks, Finish starting ombrel (a recording stand-in), the ends by
// signal, and screenshots of the eight pages in <build>/wizard/x-previews. The engine is the stand-in server
// registered by kezregsvr in the test's hive.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "eventually.h"
#include "ombrel_test_env.h"
#include "process.h"
#include "x_server.h"

namespace kez::wizard::test {
namespace {

namespace fs = std::filesystem;
using kez::test::ChildProcess;
using namespace std::chrono_literals;

constexpr auto kStartLimit = 60s;
const std::string kCaption = "KEZ Ombrel Configuration Wizard";

class WizardOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kez::test::runCommand({KEZREGSVR_PATH, FAKE_ENGINE_SERVER}).ok());
        seed("Communications", "VuruvMac", "00:1A:2B:3C:4D:5E");
        seed("Safety", "InitializedProperly", "True");
    }

    void seed(const std::string& subkey, const std::string& name, const std::string& text) {
        ASSERT_TRUE(kez::test::runCommand({KEZREG_PATH, "set", "HKLM\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\" + subkey,
                                           name, "REG_SZ", text})
                        .ok());
    }

    ChildProcess start(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{WIZARD_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        auto environment = x_.environment();
        environment.insert(environment.end(), {"KEZ_PROGRAM_DIR=" + programs_.path().string(),
                                               "KEZ_TEST_ADAPTERS=Intel PRO/1000 MT|Realtek RTL8139"});
        ChildProcess child;
        EXPECT_TRUE(child.start(argv, environment));
        return child;
    }

    std::vector<std::string> windows(const std::string& name) const {
        return kez::test::linesOf(x_.run({"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"}).out);
    }
    std::string window(const std::string& name) const { return x_.awaitWindow("^" + name + "$", kStartLimit); }
    void press(const std::string& windowName, const std::string& key) const {
        const auto id = window(windowName);
        ASSERT_FALSE(id.empty()) << windowName;
        EXPECT_TRUE(x_.pressKey(id, key));
    }
    bool boxLogged(const std::string& line) const {
        return kez::test::eventually(
            [&] {
                const auto boxes = world_.boxLog();
                return std::find(boxes.begin(), boxes.end(), line) != boxes.end();
            },
            kStartLimit);
    }

    ombrel::test::OmbrelWorld world_;
    kez::test::TempDir programs_{"kez-wizard-programs"};
    kez::test::XServer x_{true};
};

TEST_F(WizardOnX, ShowsOneWindowOfItsNameASecondCopyEndsAndASignalEndsItAsCancel) {
    const auto before = kez::test::readFile(world_.machineFile());
    auto first = start({"INTERNAL"});
    ASSERT_FALSE(window(kCaption).empty());
    auto second = start({"INTERNAL"});
    EXPECT_EQ(second.wait(kStartLimit), 0);
    EXPECT_EQ(windows(kCaption).size(), 1u);
    const auto log = world_.logTexts();
    EXPECT_NE(std::find(log.begin(), log.end(), "ERROR:  gPreventMultipleInstances False [0H] - Found"), log.end());

    ::kill(first.pid(), SIGTERM);
    EXPECT_EQ(first.wait(kStartLimit), 0);
    EXPECT_EQ(kez::test::readFile(world_.machineFile()), before);
    EXPECT_TRUE(world_.boxLog().empty());
}

TEST_F(WizardOnX, StartedByHandBesideOmbrelItSaysHowToStartItAndEnds) {
    ChildProcess ombrel;
    ASSERT_TRUE(ombrel.start({OMBREL_PROBE, "ombrel"}));
    ASSERT_EQ(ombrel.readLine(kStartLimit), "ready:");
    auto wizard = start({});
    ASSERT_TRUE(boxLogged("information\tok\tOmbrelWizard\tMust launch wizard from Ombrel options screen."));
    press("OmbrelWizard", "Return");
    EXPECT_EQ(wizard.wait(kStartLimit), 0);
    EXPECT_TRUE(windows(kCaption).empty());
}

TEST_F(WizardOnX, FinishStartsOmbrelWithInternalWhenTheLaunchBoxIsChecked) {
    struct {
        const char* what;
        bool launch;
        bool stub;
    } const cases[] = {{"launch", true, true}, {"launch box cleared", false, true}, {"no ombrel", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        seed("Wizard", "FinishCheckBox", c.launch ? "True" : "False");
        const auto stub = programs_ / "ombrel";
        fs::remove(stub);
        fs::remove(programs_ / "ombrel.argv");
        if (c.stub) {
            kez::test::writeFile(stub, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.argv\"\n");
            fs::permissions(stub, fs::perms::owner_all);
        }
        auto wizard = start({"INTERNAL"});
        press(kCaption, "alt+f");
        if (!c.stub) {
            EXPECT_TRUE(boxLogged("exclamation\tok\tOmbrelWizard\tCould not start " + stub.string() + "."));
            press("OmbrelWizard", "Return");
        }
        EXPECT_EQ(wizard.wait(kStartLimit), 0);
        if (c.launch && c.stub) {
            EXPECT_TRUE(kez::test::eventually([&] { return fs::exists(programs_ / "ombrel.argv"); }, kStartLimit));
        }
        EXPECT_EQ(kez::test::readFile(programs_ / "ombrel.argv"), c.launch && c.stub ? "INTERNAL\n" : "");
        const auto log = world_.logTexts();
        EXPECT_EQ(std::count(log.begin(), log.end(), "ERROR:  Shell [0H] - Shell"), c.stub ? 0 : 1);
    }
}

TEST_F(WizardOnX, TheDebugHelpSwitchAnywhereInAnyCaseShowsTheToneTable) {
    auto wizard = start({"x/DebugHelpx"});
    ASSERT_TRUE(boxLogged("none\tok\tOmbrelWizard\tThe Engine Tone Table = 1"));
    press("OmbrelWizard", "Return");
    ASSERT_FALSE(window(kCaption).empty());
    ::kill(wizard.pid(), SIGINT);
    EXPECT_EQ(wizard.wait(kStartLimit), 0);
}

TEST_F(WizardOnX, EachPageAsShownOnTheScreen) {
    const auto folder = fs::path(KEZ_BINARY_DIR) / "wizard" / "x-previews";
    fs::create_directories(folder);
    const kez::test::TempDir scratch("kez-wizard-x");
    auto wizard = start({"INTERNAL"});
    const auto id = window(kCaption);
    ASSERT_FALSE(id.empty());
    std::string previous;
    for (int page = 0; page < 8; ++page) {
        if (page > 0) press(kCaption, "alt+n");
        // The page's repaint is the wizard's own affair: wait until it settles on a new page.
        const auto shot = scratch / ("page-" + std::to_string(page) + ".png");
        previous = x_.settledPicture(id, shot, previous, kStartLimit);
        EXPECT_FALSE(previous.empty()) << page;
        fs::copy_file(shot, folder / shot.filename(), fs::copy_options::overwrite_existing);
    }
    ::kill(wizard.pid(), SIGTERM);
    EXPECT_EQ(wizard.wait(kStartLimit), 0);
}

} // namespace
} // namespace kez::wizard::test
