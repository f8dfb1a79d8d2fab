// The simple form on a real X server under a window manager, with real key input from xdotool and python3-dbusmock's
// logind on a private system bus: the keys reach the controller as the shortcut table says, the close box asks
// it, and standby is refused while the form runs. Screenshots of the form and the Options tabs go to
// <build>/ombrel/x-previews.
#include <gtest/gtest.h>

#include <QImage>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "eventually.h"
#include "logind_mock.h"
#include "ombrel/registry.h"
#include "ombrel_test_env.h"
#include "process.h"
#include "x_server.h"

namespace kez::ombrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr QRgb kRoot = 0xFFFF00FF;

fs::path previewFolder() {
    const auto folder = fs::path(KEZ_BINARY_DIR) / "ombrel" / "x-previews";
    fs::create_directories(folder);
    return folder;
}

class FormOnX {
public:
    FormOnX(const kez::test::XServer& x, const std::vector<std::string>& environment) : x_(x) {
        auto env = x.environment();
        env.insert(env.end(), environment.begin(), environment.end());
        EXPECT_TRUE(probe_.start({SIMPLE_FORM_PROBE}, env));
        const auto ready = probe_.readLine(60s).value_or("");
        EXPECT_EQ(ready.rfind("ready ", 0), 0u) << ready;
        window_ = ready.substr(6);
    }
    ~FormOnX() {
        probe_.sendLine("quit");
        probe_.wait();
    }
    const std::string& window() const { return window_; }

    // The answer to a command; events that come before it are kept for nextEvent.
    std::string command(const std::string& line) {
        probe_.sendLine(line);
        while (const auto answer = probe_.readLine(30s)) {
            if (answer->rfind("event: ", 0) != 0) return *answer;
            events_.push_back(answer->substr(7));
        }
        return {};
    }
    std::string nextEvent() {
        if (!events_.empty()) {
            auto event = events_.front();
            events_.pop_front();
            return event;
        }
        const auto line = probe_.readLine(30s).value_or("");
        return line.rfind("event: ", 0) == 0 ? line.substr(7) : "unexpected: " + line;
    }
    // The window mapped, active and holding the keyboard, so that xdotool's keys reach it.
    bool focus() {
        return kez::test::eventually([&] {
            x_.run({"xdotool", "windowactivate", "--sync", window_});
            x_.run({"xdotool", "windowfocus", "--sync", window_});
            return command("focus") == "1";
        });
    }
    // A screenshot once the window shows something other than the root at its middle.
    void screenshot(const std::string& window, const fs::path& file) const {
        const auto info = x_.run({"xdotool", "getwindowgeometry", window}).out;
        int x = 0, y = 0, w = 0, h = 0;
        std::sscanf(info.c_str() + info.find("Position:") + 9, " %d,%d", &x, &y);
        std::sscanf(info.c_str() + info.find("Geometry:") + 9, " %dx%d", &w, &h);
        kez::test::eventually([&] {
            return x_.grab(file) && QImage(QString::fromStdString(file.string())).pixel(x + w / 2, y + h / 2) != kRoot;
        });
    }

private:
    const kez::test::XServer& x_;
    kez::test::ChildProcess probe_;
    std::string window_;
    std::deque<std::string> events_;
};

struct KeyRow {
    const char* keys; // xdotool key names
    const char* tag;
};

TEST(SimpleFormOnX, RealKeysPressTheSetsKeysAndStandbyIsRefusedWhileTheFormRuns) {
    const test::OmbrelWorld world;
    const kez::test::LogindMock logind;
    const kez::test::XServer x(true);
    const auto listed = [&] { return logind.inhibitors().find("'KEZ Ombrel'") != std::string::npos; };
    {
        FormOnX form(x, logind.environment());
        EXPECT_TRUE(listed());
        ASSERT_TRUE(form.focus());
        const KeyRow rows[] = {{"shift+8", "14"},    {"shift+3", "15"}, {"KP_Multiply", "14"},
                               {"KP_Decimal", "15"}, {"Escape", "22"},  {"F12", "76"}};
        for (const auto& row : rows) {
            ASSERT_TRUE(x.run({"xdotool", "key", "--clearmodifiers", row.keys}).ok()) << row.keys;
            EXPECT_EQ(form.nextEvent(), std::string("down 1 ") + row.tag) << row.keys;
            EXPECT_EQ(form.nextEvent(), std::string("up ") + row.tag) << row.keys;
        }
        // Held until X repeats it: a press for each repeat, one release.
        ASSERT_TRUE(x.run({"xdotool", "keydown", "5"}).ok());
        EXPECT_EQ(form.nextEvent(), "down 1 5");
        EXPECT_EQ(form.nextEvent(), "down 1 5");
        ASSERT_TRUE(x.run({"xdotool", "keyup", "5"}).ok());
        std::string event;
        while ((event = form.nextEvent()) == "down 1 5") {
        }
        EXPECT_EQ(event, "up 5");

        form.screenshot(form.window(), previewFolder() / "simple-form.png");
        for (int tab = 0; tab < 3; ++tab) {
            const std::string dialog = form.command("options " + std::to_string(tab));
            form.screenshot(dialog, previewFolder() / ("options-tab-" + std::to_string(tab) + ".png"));
        }

        // The window manager's close (Alt+F4, as its close box) asks the controller.
        ASSERT_TRUE(form.focus());
        ASSERT_TRUE(x.run({"xdotool", "key", "alt+F4"}).ok());
        EXPECT_TRUE(kez::test::eventually([&] { return form.command("calls") == "UserFileExit"; }));
    }
    EXPECT_TRUE(kez::test::eventually([&] { return !listed(); }));
}

TEST(SimpleFormOnX, StandbyIsNotRefusedWhenTheSettingSaysNo) {
    const test::OmbrelWorld world;
    gSetRegParam(Hive::LocalMachine, settingsKey("UI"), "SuppressStandby", "False");
    const kez::test::LogindMock logind;
    kez::test::ChildProcess probe;
    auto environment = logind.environment();
    environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    ASSERT_TRUE(probe.start({SIMPLE_FORM_PROBE}, environment));
    // The lock is asked for as the form shows, before it is ready.
    EXPECT_EQ(probe.readLine(60s).value_or("").rfind("ready ", 0), 0u);
    EXPECT_EQ(logind.inhibitors().find("'KEZ Ombrel'"), std::string::npos) << logind.inhibitors();
    probe.sendLine("quit");
    probe.wait();
}

} // namespace
} // namespace kez::ombrel
