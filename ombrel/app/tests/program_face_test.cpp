// The program with the large face against the simulated call server on the virtual wire, as any user, worked by
// real X input on the face: the keys clicked reach the call server as key events, a held digit is one key
// event, and the call back rings with the display flashing red until it is answered. The display is read from
// screenshots against the face's own bitmaps.
#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "eventually.h"
#include "layout/bitmap_files.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "layout/window_tables.h"
#include "program_kit.h"
#include "simulated_call_server.h"
#include "temp_dir.h"

namespace kez::ombrel::test {
namespace {

namespace fs = std::filesystem;
using face::Control;
using face::FaceSize;
using namespace std::chrono_literals;

QImage bitmap(const std::string& file) {
    const auto folder = fs::path(KEZ_BINARY_DIR) / "data" / std::string(face::bitmapFolder(FaceSize::Large));
    return QImage(QString::fromStdString((folder / file).string())).convertToFormat(QImage::Format_RGB32);
}

// A point of the display glass clear of its text lines.
QPoint glassPoint() {
    const auto glass = face::lcdGlass(FaceSize::Large);
    return {glass.x + glass.width / 2, glass.y + 3};
}

class FaceOnAWire : public ::testing::Test {
protected:
    enum class Lcd { Normal, Red, Other };

    void SetUp() override {
        world_.set("UI", "Type", "1");
        ASSERT_TRUE(server_.start(world_.wire())) << server_.seen();
        world_.set("Communications", "VuruvMac", kez::test::SimulatedCallServer::kMac);
        ASSERT_TRUE(world_.start());
        window_ = world_.awaitWindow();
        ASSERT_FALSE(window_.empty());
        ASSERT_TRUE(server_.awaitLine({"in service"})) << server_.seen();
        ASSERT_TRUE(kez::test::eventually([&] { return findCanvas(); }, 60s)) << "the face's display is not shown";
    }

    // The canvas's corner on the screen: below the window's menu bar, where the glass's top edge of the
    // background bitmap shows.
    bool findCanvas() {
        const QImage screen = grab();
        const auto info = world_.x({"xwininfo", "-id", window_}).out;
        const auto left = info.find("Absolute upper-left X:");
        const auto top = info.find("Absolute upper-left Y:");
        if (left == std::string::npos || top == std::string::npos) return false;
        const QPoint client(std::stoi(info.substr(left + 22)), std::stoi(info.substr(top + 22)));
        const QPoint edge = glassPoint() - QPoint(0, 7);
        for (int menuBar = 0; menuBar < 80; ++menuBar) {
            const QPoint corner = client + QPoint(0, menuBar);
            bool matches = true;
            for (int dy = 0; dy < 9 && matches; ++dy)
                matches = screen.pixel(corner + edge + QPoint(0, dy)) == normal_.pixel(edge + QPoint(0, dy));
            if (matches) {
                canvas_ = corner;
                return true;
            }
        }
        return false;
    }

    QImage grab() {
        kez::test::TempDir scratch("kez-face-wire");
        EXPECT_TRUE(world_.display().grab(scratch / "screen.png"));
        return QImage(QString::fromStdString((scratch / "screen.png").string())).convertToFormat(QImage::Format_RGB32);
    }
    Lcd lcd() {
        const QRgb pixel = grab().pixel(canvas_ + glassPoint());
        if (pixel == normal_.pixel(glassPoint())) return Lcd::Normal;
        return pixel == red_.pixel(glassPoint()) ? Lcd::Red : Lcd::Other;
    }

    std::vector<std::string> at(Control family, int index) const {
        const auto place = face::position(FaceSize::Large, family, index);
        const auto size = face::pictureSize(FaceSize::Large, family, index);
        const QPoint middle = canvas_ + QPoint(place->x + size.width / 2, place->y + size.height / 2);
        return {"mousemove", std::to_string(middle.x()), std::to_string(middle.y())};
    }
    void click(Control family, int index) {
        auto argv = at(family, index);
        argv.insert(argv.begin(), "xdotool");
        argv.insert(argv.end(), {"click", "1"});
        ASSERT_TRUE(world_.x(argv).ok());
    }
    // How often the call server got this key.
    long keyEvents(int key) const {
        const std::string line = "key " + std::to_string(key) + " while ";
        const auto& seen = server_.seen();
        long count = 0;
        for (auto at = seen.find(line); at != std::string::npos; at = seen.find(line, at + 1))
            ++count;
        return count;
    }
    bool awaitKey(int key, const std::string& state) {
        return server_.awaitLine({"key " + std::to_string(key) + " while " + state});
    }

    ProgramWorld world_{false};
    kez::test::SimulatedCallServer server_;
    std::string window_;
    QPoint canvas_;
    const QImage normal_ = bitmap(std::string(face::backgroundFile(FaceSize::Large)));
    const QImage red_ = bitmap(std::string(face::redLcdFile(FaceSize::Large)));
};

TEST_F(FaceOnAWire, ClickedKeysAHeldDigitAndTheCallBacksFlashingDisplay) {
    // Hands-free, then 9: the echo line.
    click(Control::FIXED, 3);
    ASSERT_TRUE(awaitKey(17, "idle")) << server_.seen();
    click(Control::DTMF, 9);
    ASSERT_TRUE(server_.awaitLine({"echo line"})) << server_.seen();
    EXPECT_EQ(keyEvents(17), 1);
    EXPECT_EQ(keyEvents(9), 1);

    // A digit held past the keyboard's repeat delay is one key event; 3 after it shows that nothing else came.
    const std::vector<std::string> hold{"xdotool", "windowactivate", "--sync", window_, "keydown", "5", "sleep",
                                        "1.5",     "keyup",          "5",      "key",   "3"};
    ASSERT_TRUE(world_.x(hold).ok());
    ASSERT_TRUE(awaitKey(3, "echo")) << server_.seen();
    EXPECT_EQ(keyEvents(5), 1) << server_.seen();

    // Hung up, the call back asked for by 8, hung up again: the set rings and the display flashes.
    click(Control::FIXED, 3);
    ASSERT_TRUE(server_.awaitLine({"on hook"})) << server_.seen();
    click(Control::FIXED, 3);
    ASSERT_TRUE(awaitKey(17, "idle")) << server_.seen();
    click(Control::DTMF, 8);
    ASSERT_TRUE(server_.awaitLine({"call back requested"})) << server_.seen();
    click(Control::FIXED, 3);
    ASSERT_TRUE(server_.awaitLine({"ringing (call back)"}, 90s)) << server_.seen();
    // Red and normal in turn, twice over; the grabs one turn took.
    std::vector<Lcd> turns;
    int grabs = 0;
    int grabsPerTurn = 0;
    ASSERT_TRUE(kez::test::eventually(
        [&] {
            const Lcd now = lcd();
            ++grabs;
            if (now == Lcd::Other || (!turns.empty() && turns.back() == now)) return false;
            turns.push_back(now);
            if (turns.size() == 2) grabs = 0;
            if (turns.size() == 4) grabsPerTurn = grabs;
            return turns.size() >= 5;
        },
        90s));
    EXPECT_NE(turns.front(), turns[1]);

    // Answered, the display stays normal for longer than a turn of the flash took.
    click(Control::FIXED, 3);
    ASSERT_TRUE(server_.awaitLine({"answered the call back"})) << server_.seen();
    ASSERT_TRUE(kez::test::eventually([&] { return lcd() == Lcd::Normal; }, 60s));
    for (int grab = 0; grab < grabsPerTurn + 2; ++grab)
        EXPECT_EQ(lcd(), Lcd::Normal) << grab;
}

} // namespace
} // namespace kez::ombrel::test
