// The face's input on a real X server with real X input (xdotool): every key clicked, the other buttons, a
// release off the key, a double click, the background's drag and tray menu, the keyboard with its shifted
// digits, keypad and held Shift, a label edited, and minimising to a tray (trayer) and back. The controller
// records and swaps the pictures as the real one does. Each step waits for its events, never for a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "eventually.h"
#include "face_on_x.h"
#include "face_test_kit.h"
#include "layout/bitmap_files.h"
#include "layout/button_table.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "process.h"
#include "temp_dir.h"
#include "x_server.h"

namespace kez::ombrel::test {
namespace {

namespace fs = std::filesystem;
using face::Control;
using face::FaceSize;
using Events = std::vector<std::string>;
using namespace std::chrono_literals;

FaceSize sizeOf(int type) { return type == 1 ? FaceSize::Large : FaceSize::Small; }

// The middle of a picture pair on the screen.
QPoint middle(const QRect& canvas, FaceSize size, Control family, int index) {
    const auto at = face::position(size, family, index);
    const auto extent = face::pictureSize(size, family, index);
    return canvas.topLeft() + QPoint(at->x + extent.width / 2, at->y + extent.height / 2);
}

std::vector<std::string> text(QPoint p) { return {std::to_string(p.x()), std::to_string(p.y())}; }

// xdotool with its arguments; the points become two arguments each.
bool xdotool(const kez::test::XServer& x, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xdotool");
    return x.run(arguments).ok();
}

std::vector<std::string> moveTo(QPoint p) {
    auto argv = text(p);
    argv.insert(argv.begin(), "mousemove");
    return argv;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Events pressAndRelease(const std::string& tag, int button = 1) {
    return {"down " + std::to_string(button) + " " + tag, "up " + tag};
}

TEST(FaceOnXInput, EveryKeyOfBothSizesClickedGivesOnePressAndOneRelease) {
    for (int type : {1, 2}) {
        FaceWorld world;
        kez::test::XServer x;
        FaceOnX face(x, type);
        const Placed placed = face.where();
        ASSERT_TRUE(xdotool(x, {"windowmap", "--sync", placed.window}));
        std::vector<std::string> clicks;
        Events expected;
        for (const auto& row : face::buttonRows()) {
            clicks = clicks + moveTo(middle(placed.canvas, sizeOf(type), row.keyFamily, row.keyIndex)) +
                     std::vector<std::string>{"click", "1"};
            const Events key = pressAndRelease(keyTag(row.key));
            expected.insert(expected.end(), key.begin(), key.end());
        }
        ASSERT_TRUE(xdotool(x, clicks));
        EXPECT_EQ(face.awaitEvents(expected.size()), expected) << type;
    }
}

class FaceOnXPointer : public ::testing::Test {
protected:
    FaceOnXPointer() : face_(x_, 1), placed_(face_.where()) {
        EXPECT_TRUE(xdotool(x_, {"windowmap", "--sync", placed_.window}));
        offset_ = placed_.canvas.topLeft() - windowPlace(x_, placed_.window);
    }

    QRect canvas() const { return {windowPlace(x_, placed_.window) + offset_, placed_.canvas.size()}; }
    QPoint key(int index) const { return middle(canvas(), FaceSize::Large, Control::DTMF, index); }
    QPoint background() const { return canvas().topLeft() + QPoint(60, 40); }
    // Everything sent before has been handled once a click on a key is.
    void barrier() {
        ASSERT_TRUE(xdotool(x_, moveTo(key(0)) + std::vector<std::string>{"click", "1"}));
        EXPECT_EQ(face_.awaitEvents(2), pressAndRelease("0"));
    }
    // The window's place once the X server has it at `want`.
    QPoint placeBecomes(QPoint want) {
        QPoint now;
        kez::test::eventually([&] { return (now = windowPlace(x_, placed_.window)) == want; }, 60s);
        return now;
    }

    FaceWorld world_;
    kez::test::XServer x_;
    FaceOnX face_;
    Placed placed_;
    QPoint offset_;
};

TEST_F(FaceOnXPointer, RightButtonReleaseOffTheKeyAndDoubleClick) {
    ASSERT_TRUE(xdotool(x_, moveTo(key(5)) + std::vector<std::string>{"click", "3"}));
    EXPECT_EQ(face_.awaitEvents(2), pressAndRelease("5", 2));
    // Pressed on the key, let go over the background: the key still comes up.
    ASSERT_TRUE(xdotool(x_, moveTo(key(5)) + std::vector<std::string>{"mousedown", "1"} + moveTo(background()) +
                                std::vector<std::string>{"mouseup", "1"}));
    EXPECT_EQ(face_.awaitEvents(2), pressAndRelease("5"));
    ASSERT_TRUE(xdotool(x_, moveTo(key(7)) + std::vector<std::string>{"click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_EQ(face_.awaitEvents(4), pressAndRelease("7") + pressAndRelease("7"));
    EXPECT_EQ(windowPlace(x_, placed_.window), canvas().topLeft() - offset_) << "no drag";
}

TEST_F(FaceOnXPointer, TheBackgroundsRightButtonPopsUpTheTrayMenuWithoutRestore) {
    ASSERT_TRUE(xdotool(x_, moveTo(background()) + std::vector<std::string>{"click", "3"}));
    EXPECT_TRUE(kez::test::eventually([&] { return face_.command("popup") == "mnuSysMenu restore=0"; }, 60s));
    kez::test::TempDir scratch("kez-face-x");
    face_.screen(scratch / "menu.png");
    fs::copy_file(scratch / "menu.png", previewFolder() / "background-menu.png", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(xdotool(x_, {"key", "Escape"}));
    EXPECT_TRUE(kez::test::eventually([&] { return face_.command("popup") == "none"; }, 60s));
    // With Ctrl held nothing opens.
    ASSERT_TRUE(xdotool(x_, std::vector<std::string>{"keydown", "ctrl"} + moveTo(background()) +
                                std::vector<std::string>{"click", "3", "keyup", "ctrl"}));
    barrier();
    EXPECT_EQ(face_.command("popup"), "none");
    EXPECT_EQ(face_.command("calls"), "PopupSysMenu(False)");
}

TEST_F(FaceOnXPointer, DragMovesTheWindowByThePointersWayOnlyWithTheLeftButtonAlone) {
    const QPoint start = windowPlace(x_, placed_.window);
    ASSERT_TRUE(xdotool(x_, moveTo(background()) + std::vector<std::string>{"mousedown", "1", "mousemove_relative",
                                                                            "40", "25", "mouseup", "1"}));
    EXPECT_EQ(placeBecomes(start + QPoint(40, 25)), start + QPoint(40, 25));
    // The right button pressed during the drag stops it for good.
    const QPoint dragged = start + QPoint(40, 25);
    ASSERT_TRUE(xdotool(x_, moveTo(background()) +
                                std::vector<std::string>{"mousedown", "1", "mousemove_relative", "10", "0", "mousedown",
                                                         "3", "mousemove_relative", "30", "0", "mouseup", "3",
                                                         "mousemove_relative", "0", "30", "mouseup", "1"}));
    EXPECT_EQ(placeBecomes(dragged + QPoint(10, 0)), dragged + QPoint(10, 0));
    barrier();
    EXPECT_EQ(windowPlace(x_, placed_.window), dragged + QPoint(10, 0));
    // With Ctrl held the window stays.
    ASSERT_TRUE(xdotool(x_, std::vector<std::string>{"keydown", "ctrl"} + moveTo(background()) +
                                std::vector<std::string>{"mousedown", "1", "mousemove_relative", "40", "25", "mouseup",
                                                         "1", "keyup", "ctrl"}));
    barrier();
    EXPECT_EQ(windowPlace(x_, placed_.window), dragged + QPoint(10, 0));
    EXPECT_EQ(face_.command("calls"), "") << "no menu";
}

TEST(FaceOnXInput, KeyboardShortcutsLabelsAndAHeldKey) {
    FaceWorld world;
    kez::test::XServer x;
    FaceOnX face(x, 1);
    const Placed placed = face.where();
    ASSERT_TRUE(xdotool(x, {"windowmap", "--sync", placed.window}));
    ASSERT_TRUE(xdotool(x, {"windowfocus", "--sync", placed.window}));
    ASSERT_TRUE(xdotool(x, {"key", "--delay", "20", "shift+8", "shift+3", "shift+5", "KP_Multiply", "KP_Decimal", "F1",
                            "F12", "Escape", "s", "ctrl+c", "Return", "space", "1"}));
    Events expected;
    for (const char* tag : {"14", "15", "14", "15", "65", "76", "22", "22", "20", "1"})
        expected = expected + pressAndRelease(tag);
    EXPECT_EQ(face.awaitEvents(expected.size()), expected);
    // Shift let go before the 8: the release is star's.
    ASSERT_TRUE(xdotool(x, {"keydown", "shift", "keydown", "8", "keyup", "shift", "keyup", "8"}));
    EXPECT_EQ(face.awaitEvents(2), pressAndRelease("14"));

    // Held, a key shows its pressed picture.
    kez::test::TempDir scratch("kez-face-x");
    const auto folder = buildDataFolder() / std::string(face::bitmapFolder(FaceSize::Large));
    const QPoint five = middle(placed.canvas, FaceSize::Large, Control::DTMF, 5);
    const auto at = face::position(FaceSize::Large, Control::DTMF, 5);
    const auto load = std::ranges::find(face::pictureLoads(), face::PictureRef{Control::DTMF, face::Side::Down, 5},
                                        &face::PictureLoad::picture);
    const QImage down = fileImage(folder / load->file);
    ASSERT_FALSE(down.isNull());
    const QRgb pressed = down.pixel(five - placed.canvas.topLeft() - QPoint(at->x, at->y));
    // No auto-repeat: grabbing the screen may take longer than the repeat delay.
    ASSERT_TRUE(x.run({"xset", "r", "off"}).ok());
    ASSERT_TRUE(xdotool(x, {"keydown", "5"}));
    EXPECT_EQ(face.awaitEvents(1), Events{"down 1 5"});
    EXPECT_EQ(
        face.screenWhen(scratch / "held.png", [&](const QImage& s) { return s.pixel(five) == pressed; }).pixel(five),
        pressed);
    fs::copy_file(scratch / "held.png", previewFolder() / "key-held.png", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(xdotool(x, {"keyup", "5"}));
    EXPECT_EQ(face.awaitEvents(1), Events{"up 5"});

    // Typed into a label box, R stays there; after Enter it presses Redial.
    const auto label = face::position(FaceSize::Large, Control::LineLabels, 0);
    ASSERT_TRUE(xdotool(x, moveTo(placed.canvas.topLeft() + QPoint(label->x + 3, label->y + 3)) +
                               std::vector<std::string>{"click", "1", "type", "R"}));
    EXPECT_TRUE(kez::test::eventually([&] { return face.command("label 0") == "R"; }, 60s));
    ASSERT_TRUE(xdotool(x, {"key", "Return", "r"}));
    EXPECT_EQ(face.awaitEvents(2), pressAndRelease("25"));
    EXPECT_EQ(face.command("label 0"), "R");
}

TEST(FaceOnXInput, MinimisedItHidesInTheTrayWhoseRestoreBringsItBackAndWithoutATrayItStaysMinimised) {
    FaceWorld world;
    kez::test::XServer x(true);
    kez::test::ChildProcess trayer;
    ASSERT_TRUE(trayer.start(
        {"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120", "--height", "24"},
        {"DISPLAY=" + x.display()}));
    {
        FaceOnX face(x, 2, {"tray"});
        const std::string window = face.where().window;
        ASSERT_TRUE(xdotool(x, {"windowactivate", "--sync", window}));
        ASSERT_TRUE(xdotool(x, {"windowminimize", "--sync", window}));
        EXPECT_TRUE(kez::test::eventually([&] { return face.command("state") == "hidden"; }, 60s));
        std::string icon;
        ASSERT_TRUE(kez::test::eventually([&] { return (icon = face.command("tray-at")) != "none"; }, 60s));
        const auto space = icon.find(' ');
        ASSERT_TRUE(xdotool(x, {"mousemove", icon.substr(0, space), icon.substr(space + 1), "click", "3"}));
        EXPECT_TRUE(kez::test::eventually([&] { return face.command("popup") == "mnuSysMenu restore=1"; }, 60s));
        kez::test::TempDir scratch("kez-face-x");
        face.screen(scratch / "tray.png");
        fs::copy_file(scratch / "tray.png", previewFolder() / "tray-menu.png", fs::copy_options::overwrite_existing);
        const std::string restore = face.command("restore-at");
        const auto gap = restore.find(' ');
        ASSERT_NE(gap, std::string::npos) << restore;
        ASSERT_TRUE(xdotool(x, {"mousemove", restore.substr(0, gap), restore.substr(gap + 1), "click", "1"}));
        EXPECT_TRUE(kez::test::eventually([&] { return face.command("state") == "shown"; }, 60s));
        EXPECT_EQ(face.command("calls"), "PopupSysMenu(True),ActivateUI(True)");
        EXPECT_TRUE(kez::test::eventually(
            [&] {
                return x.run({"xwininfo", "-id", window}).out.find("IsViewable") != std::string::npos;
            },
            60s));
    }
    FaceOnX face(x, 2);
    const std::string window = face.where().window;
    ASSERT_TRUE(xdotool(x, {"windowactivate", "--sync", window}));
    ASSERT_TRUE(xdotool(x, {"windowminimize", "--sync", window}));
    EXPECT_TRUE(kez::test::eventually([&] { return face.command("state") == "minimised"; }, 60s));
    // Its hiding would have come at once; one more round trip and it is still only minimised.
    EXPECT_EQ(face.command("calls"), "");
    EXPECT_EQ(face.command("state"), "minimised");
}

} // namespace
} // namespace kez::ombrel::test
