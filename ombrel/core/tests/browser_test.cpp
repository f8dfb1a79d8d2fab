// The browser and help starts against recording stand-ins for xdg-mime and xdg-open on PATH.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kez/sys/paths.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {
namespace fs = std::filesystem;

void writeScript(const fs::path& file, const std::string& body) {
    kez::test::writeFile(file, "#!/bin/sh\n" + body);
    fs::permissions(file, fs::perms(0755));
}

// What the stand-in xdg-open was started with, each argument ended by a zero; empty when it never ran.
std::string openedWith(const fs::path& record) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        const auto text = kez::test::readFile(record);
        if (text.ends_with("END")) return text.substr(0, text.size() - 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

TEST(Browser, OpensTheAddressAsOneArgumentOrShowsWhyNot) {
    struct {
        const char* what;
        const char* mime;    // the stand-in xdg-mime's script; nullptr: none on PATH
        const char* browser; // $BROWSER; nullptr: unset
        bool open;           // a stand-in xdg-open on PATH
        const char* title;
        const char* text;
    } const cases[] = {
        {"browser found", "echo firefox-esr.desktop", nullptr, true, nullptr, nullptr},
        {"no association", "echo", nullptr, true, "Browser Not Found", "Could not find associated Browser."},
        {"no association, $BROWSER", "echo", "lynx", true, nullptr, nullptr},
        {"empty $BROWSER", "echo", "", true, "Browser Not Found", "Could not find associated Browser."},
        {"xdg-mime fails", "exit 4", nullptr, true, "Browser Not Found", "Could not find associated Browser."},
        {"no xdg-mime", nullptr, nullptr, true, "Browser Not Found", "Could not find associated Browser."},
        {"no xdg-open", "echo firefox-esr.desktop", nullptr, false, "URL Failed", "Web Page not Opened."},
    };
    const std::string url = "file:///home/a user/Ombrel notes/readme.html";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::OmbrelWorld world;
        const auto bin = world.folder() / "bin";
        const auto record = world.folder() / "opened";
        fs::create_directory(bin);
        if (c.mime) writeScript(bin / "xdg-mime", std::string(c.mime) + "\n");
        if (c.open)
            writeScript(bin / "xdg-open",
                        "printf '%s\\0' \"$@\" > '" + record.string() + "'\nprintf END >> '" + record.string() + "'\n");
        const auto boxes = std::make_shared<ui::RecordingMessageBoxes>();
        {
            const kez::test::ScopedEnv onlyTheStandIns("PATH", bin.string());
            const kez::test::ScopedEnv browser("BROWSER",
                                               c.browser ? std::optional<std::string>(c.browser) : std::nullopt);
            const auto previous = ui::setMessageBoxes(boxes);
            gLaunchWebBrowser(url);
            ui::setMessageBoxes(previous);
        }

        if (c.title == nullptr) {
            EXPECT_TRUE(boxes->shown().empty());
            EXPECT_EQ(openedWith(record), url + '\0');
        } else {
            const std::vector<ui::MessageBox> expected{{c.text, c.title, ui::Icon::Exclamation, ui::Buttons::Ok}};
            EXPECT_EQ(boxes->shown(), expected);
            EXPECT_FALSE(fs::exists(record));
        }
    }
}

TEST(Launcher, FindsHelpPagesInTheDataFolderAndPartnersInTheProgramFolder) {
    EXPECT_EQ(ui::Launcher::helpPage("Help\\french.hlp"), sys::dataDir() / "help" / "french" / "index.html");
    EXPECT_EQ(ui::Launcher::helpPage(gDefaultHelpFile()), sys::dataDir() / "help" / "ruduzeze" / "index.html");
    EXPECT_FALSE(ui::Launcher::openHelp("Help\\no-such-language.hlp"));
    EXPECT_EQ(ui::Launcher::partnerProgram("wizard"), sys::programFile().parent_path() / "wizard");
    const kez::test::ScopedEnv programDir("KEZ_PROGRAM_DIR", "/opt/kez/bin");
    EXPECT_EQ(ui::Launcher::partnerProgram("wizard"), fs::path("/opt/kez/bin/wizard"));
}

} // namespace
} // namespace kez::ombrel
