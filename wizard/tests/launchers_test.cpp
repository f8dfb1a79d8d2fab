// The wizard's launchers against stand-in desktop programs: what each button starts, with which arguments,
// through the real xdg-open where a browser is meant, and what it tells the user when it cannot.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>
#include <functional>

#include "eventually.h"
#include "kez/reg/key.h"
#include "kez/sys/paths.h"
#include "ombrel/rirovuruz_globals.h"
#include "stub_programs.h"
#include "wizard_main.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;
using kez::test::StubPrograms;

void click(const ConfigWizardForm& form, const char* name) { control<QAbstractButton>(form, name).click(); }

TEST(Launchers, SarvikOpensExactlyTheTypedAddressAndTheReleaseNotesTheirPage) {
    gInitFilePaths();
    struct {
        const char* button;
        const char* address;
        const char* message; // null: the browser is started
    } const cases[] = {
        {"cmdLaunchSarvik", "", "You must enter a valid KEZ system IP Address prior to launching Sarvik."},
        {"cmdLaunchSarvik", "1.2.3", "You must enter a valid KEZ system IP Address prior to launching Sarvik."},
        {"cmdLaunchSarvik", "198.18.0.10", nullptr},
        {"cmdTestXAVIP", "", "You must enter a valid KEZ system IP Address."},
        {"cmdTestXAVIP", "198.18.0.256", "You must enter a valid KEZ system IP Address."},
        {"cmdTestXAVIP", "198.18.1.20", nullptr},
        {"cmdReleaseNotes", "", nullptr},
    };
    StubPrograms stubs;
    stubs.addBrowser("browser");
    std::vector<Arguments> opened;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + c.address);
        WizardWorld world;
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText(QString::fromLatin1(c.address));
        click(wizard.form, c.button);
        if (c.message) {
            EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{{c.message, "OmbrelWizard", ui::Icon::Information}}));
        } else {
            EXPECT_TRUE(world.boxes().empty());
            opened.push_back({*c.address ? std::string("http://") + c.address : gsReadmePath.string()});
        }
    }
    ASSERT_TRUE(kez::test::eventually([&] { return stubs.calls("browser").size() >= opened.size(); }));
    auto calls = stubs.calls("browser");
    std::sort(calls.begin(), calls.end());
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(calls, opened);
    EXPECT_EQ(gsReadmePath, sys::dataDir() / "readme.html");
}

TEST(Launchers, TheFramePicturesStartTheDesktopsToolsOrSayWhichIsMissing) {
    struct {
        const char* button;
        const char* tip;
        const char* program;
        Arguments arguments;
    } const cases[] = {
        {"cmdLaunchSysInfo", "System Information", nullptr, {}},
        {"cmdMultimedia", "Multimedia Control Panel", "pavucontrol", {}},
        {"cmdNetwork", "Network control panel", "nm-connection-editor", {}},
        {"cmdSound", "Volume control", "pavucontrol", {"--tab=3"}},
    };
    for (const bool present : {true, false}) {
        WizardWorld world;
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.button) + (present ? "" : ", missing"));
            const auto& button = control<QToolButton>(wizard.form, c.button);
            EXPECT_EQ(button.toolTip(), c.tip);
            EXPECT_FALSE(button.icon().isNull());
            if (!c.program) continue;
            StubPrograms stubs(StubPrograms::Path::Only);
            if (present) stubs.add(c.program);
            world.clearBoxes();
            click(wizard.form, c.button);
            if (present) {
                EXPECT_EQ(stubs.awaitCall(c.program), c.arguments);
                EXPECT_TRUE(world.boxes().empty());
            } else {
                const std::string text = std::string("Could not start ") + c.program + ".";
                EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{{text, "OmbrelWizard", ui::Icon::Exclamation}}));
            }
        }
        EXPECT_EQ(wizard.ended, 0);
        EXPECT_TRUE(wizard.form.isVisible());
    }
}

TEST(Launchers, SystemInformationGetsTheCategoryAndTheWizardsFolderOrIsUnavailable) {
    enum class Seed { Path, FolderWithoutTool, Nothing };
    for (const Seed seed : {Seed::Path, Seed::FolderWithoutTool, Seed::Nothing}) {
        SCOPED_TRACE(static_cast<int>(seed));
        WizardWorld world;
        StubPrograms stubs(StubPrograms::Path::Only);
        stubs.add("sysinfo");
        reg::Key key;
        if (seed == Seed::Path) {
            ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                       reg::Access::ReadWrite, key),
                      reg::Status::Ok);
            key.setString("PATH", (stubs / "sysinfo").string());
        } else if (seed == Seed::FolderWithoutTool) {
            ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location",
                                       reg::Access::ReadWrite, key),
                      reg::Status::Ok);
            key.setString("MSINFO", (stubs / "").string());
        }
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        click(wizard.form, "cmdLaunchSysInfo");
        if (seed == Seed::Path) {
            EXPECT_EQ(stubs.awaitCall("sysinfo"),
                      (Arguments{"/c", "[KEZ Ombrel DLL's]", sys::programFile().parent_path().string()}));
            EXPECT_TRUE(world.boxes().empty());
        } else {
            EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{
                                         {"System Information Is Unavailable At This Time.", "OmbrelWizard"}}));
        }
    }
}

// Boxes that note the machine's settings as kezreg reads them while each box shows.
class BoxesReadingTheHive : public ui::RecordingMessageBoxes {
public:
    explicit BoxesReadingTheHive(const WizardWorld& world) : world_(world) {}
    ui::Answer show(const ui::MessageBox& box) override {
        storedWhileShown.push_back(world_.stored());
        return RecordingMessageBoxes::show(box);
    }
    std::vector<std::map<std::string, std::string>> storedWhileShown;

private:
    const WizardWorld& world_;
};

TEST(Launchers, TheHelpTestSavesThenNamesTheHelpFileAndToneTableAndOpensThePage) {
    struct {
        const char* what;
        std::vector<StoredValue> seed;
        int chosen; // the country list's position chosen before the click; -1: as shown
        const char* text;
        const char* stem;
        const char* countryStored;
    } const cases[] = {
        {"defaults", {}, -1, "Help file: Help\\english.hlp ,  T.T Value: 1", "english", "1"},
        {"France chosen", {}, 1, "Help file: Help\\french.hlp ,  T.T Value: 2", "french", "2"},
        {"advanced",
         {{"Communications", "Advanced", "1"},
          {"Communications", "Country", "4"},
          {"Communications", "TonesCadences", "19"},
          {"Communications", "Documention", "2"}},
         -1,
         "Help file: Help\\french.hlp ,  T.T Value: 17",
         "french",
         "4"},
        {"a country the list lacks",
         {{"Communications", "Country", "9"}},
         -1,
         "Help file: Help\\SIMPLIFIED.hlp ,  T.T Value: 9",
         "SIMPLIFIED",
         "9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WizardWorld world;
        world.seed(c.seed);
        StubPrograms stubs;
        stubs.addBrowser("browser");
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        if (c.chosen >= 0) control<QComboBox>(wizard.form, "cboCountry").setCurrentIndex(c.chosen);
        const auto boxes = std::make_shared<BoxesReadingTheHive>(world);
        const auto previous = ui::setMessageBoxes(boxes);
        click(wizard.form, "cmdHelp");
        ui::setMessageBoxes(previous);
        ASSERT_EQ(boxes->shown(), (std::vector<ui::MessageBox>{{c.text, "OmbrelWizard"}}));
        EXPECT_EQ(boxes->storedWhileShown[0]["Communications\\Country"], c.countryStored);
        EXPECT_EQ(stubs.awaitCall("browser"), (Arguments{(sys::dataDir() / "help" / c.stem / "index.html").string()}));
    }
}

} // namespace
} // namespace kez::wizard::test
