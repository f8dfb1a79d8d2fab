// The face on a real X server (Xvfb, magenta root), judged from screenshots by ImageMagick: the canvas against
// the composite of the generated bitmaps at the table's places, the shaped window, the double click, the red
// display, and the frame under a window manager. Writes the screenshots to <build>/face/x-previews.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "eventually.h"
#include "face_on_x.h"
#include "face_test_kit.h"
#include "layout/bitmap_files.h"
#include "layout/outlines.h"
#include "layout/positions.h"
#include "layout/window_tables.h"
#include "process.h"
#include "x_server.h"

namespace kez::ombrel::test {
namespace {

namespace fs = std::filesystem;
using face::FaceSize;
using kez::test::runCommand;
using namespace std::chrono_literals;

constexpr QRgb kMagenta = 0xFFFF00FF;

std::string geometry(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" + std::to_string(r.x()) + "+" +
           std::to_string(r.y());
}

// The background with every picture at rest laid over it at its place: what the face must show.
fs::path composite(FaceSize size, const fs::path& out) {
    const auto folder = buildDataFolder() / std::string(face::bitmapFolder(size));
    std::vector<std::string> argv{"convert", (folder / std::string(face::backgroundFile(size))).string()};
    for (const auto& load : face::pictureLoads()) {
        if (load.picture.side != face::Side::Up) continue;
        const auto at = face::position(size, load.picture.family, load.picture.index);
        argv.insert(argv.end(), {(folder / load.file).string(), "-geometry",
                                 "+" + std::to_string(at->x) + "+" + std::to_string(at->y), "-composite"});
    }
    argv.push_back(out.string());
    EXPECT_TRUE(runCommand(argv).ok());
    return out;
}

// Black over the text controls (label boxes, display lines, the focus box), which draw what the bitmaps do not.
std::vector<std::string> textMask(FaceSize size, int dpi) {
    std::vector<std::string> draw{"-fill", "black"};
    const auto box = face::labelBoxSize(size, dpi);
    const auto rectangle = [&](int x, int y, int w, int h) {
        draw.insert(draw.end(), {"-draw", "rectangle " + std::to_string(x) + "," + std::to_string(y) + " " +
                                              std::to_string(x + w - 1) + "," + std::to_string(y + h - 1)});
    };
    for (int i = 0; i < 18; ++i) {
        const auto at = face::position(size, face::Control::LineLabels, i);
        rectangle(at->x, at->y, box.width, box.height);
    }
    const auto lines = face::displayLines(size, dpi);
    for (const auto& line : {lines.line1, lines.line2})
        rectangle(line.x, line.y, line.width, line.height);
    const auto dummy = face::position(size, face::Control::DummyTextbox, 0);
    rectangle(dummy->x, dummy->y, 1, 1);
    return draw;
}

// The canvas cut from a screenshot, with the text controls blacked out.
fs::path maskedCanvas(const fs::path& in, const QRect& area, FaceSize size, const fs::path& out) {
    std::vector<std::string> argv{"convert", in.string(), "-crop", geometry(area), "+repage"};
    const auto mask = textMask(size, 96);
    argv.insert(argv.end(), mask.begin(), mask.end());
    argv.push_back(out.string());
    EXPECT_TRUE(runCommand(argv).ok());
    return out;
}

long differingPixels(const fs::path& a, const fs::path& b) {
    const auto result = runCommand({"compare", "-metric", "AE", a.string(), b.string(), "null:"});
    return result.exitCode == 2 ? -1 : static_cast<long>(std::stod(result.err));
}

// "Window shape extents:  WxH+X+Y" of xwininfo -shape; empty when there is no shape.
QRect shapeExtents(const std::string& info) {
    const auto at = info.find("Window shape extents:");
    int w = 0, h = 0, x = 0, y = 0;
    if (at == std::string::npos || std::sscanf(info.c_str() + at + 21, " %dx%d+%d+%d", &w, &h, &x, &y) != 4) return {};
    return {x, y, w, h};
}

QPoint glassMiddle(FaceSize size) {
    const auto glass = face::lcdGlass(size);
    return {glass.x + glass.width / 2, glass.y + 3};
}

TEST(FaceOnX, CanvasShapeAndRedDisplayAsTheBitmapsHaveThem) {
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        const std::string name = size == FaceSize::Large ? "large" : "small";
        FaceWorld world;
        kez::test::TempDir scratch("kez-face-x");
        kez::test::XServer x;
        FaceOnX face(x, size == FaceSize::Large ? 1 : 2);
        const Placed placed = face.where();
        const QRect canvas = placed.canvas;
        const auto folder = buildDataFolder() / std::string(face::bitmapFolder(size));
        const QImage expected = fileImage(composite(size, scratch / "composite.png"));
        const QPoint dialKey = QPoint(face::position(size, face::Control::DTMF, 5)->x + 8,
                                      face::position(size, face::Control::DTMF, 5)->y + 8);

        // Rectangular: the canvas is the composite outside the text controls.
        const auto rest = scratch / "rest.png";
        face.screenWhen(
            rest, [&](const QImage& s) { return s.pixel(canvas.topLeft() + dialKey) == expected.pixel(dialKey); });
        const auto want =
            maskedCanvas(scratch / "composite.png", QRect(QPoint(), canvas.size()), size, scratch / "want.png");
        EXPECT_EQ(differingPixels(maskedCanvas(rest, canvas, size, scratch / "got.png"), want), 0) << name;
        fs::copy_file(rest, previewFolder() / (name + "-rectangular.png"), fs::copy_options::overwrite_existing);

        // Shaped: outside the outline the root shows, inside the set.
        EXPECT_EQ(face.command("toggle"), "ok");
        const QPoint corner = canvas.topLeft() + QPoint(2, 2);
        const QImage shaped =
            face.screenWhen(scratch / "shaped.png", [&](const QImage& s) { return s.pixel(corner) == kMagenta; });
        EXPECT_EQ(shaped.pixel(corner), kMagenta) << name;
        EXPECT_EQ(shaped.pixel(canvas.topLeft() - QPoint(-5, 5)), kMagenta) << name << ": the menu bar goes too";
        EXPECT_EQ(shaped.pixel(canvas.topLeft() + dialKey), expected.pixel(dialKey)) << name;
        QPolygon outline;
        for (const auto& p : face::outline(size))
            outline << QPoint(p.x, p.y);
        // The X server's shape: the outline's bounding box in window coordinates (its edge rule may differ by a
        // pixel from ours).
        const QRect box = outline.boundingRect().translated(0, canvas.y() - windowPlace(x, placed.window).y());
        const QRect extents = shapeExtents(x.run({"xwininfo", "-id", placed.window, "-shape"}).out);
        for (const auto& [got, want] : {std::pair{extents.left(), box.left()},
                                        {extents.top(), box.top()},
                                        {extents.right(), box.right()},
                                        {extents.bottom(), box.bottom()}})
            EXPECT_LE(std::abs(got - want), 1) << name << ": " << geometry(extents) << " against " << geometry(box);
        fs::copy_file(scratch / "shaped.png", previewFolder() / (name + "-shaped.png"),
                      fs::copy_options::overwrite_existing);

        // The display flashes red and back.
        EXPECT_EQ(face.command("toggle"), "ok");
        EXPECT_EQ(face.command("flip"), "ok");
        const QRgb red = fileImage(folder / std::string(face::redLcdFile(size))).pixel(glassMiddle(size));
        const QPoint lcd = canvas.topLeft() + glassMiddle(size);
        const QImage flashed =
            face.screenWhen(scratch / "red.png", [&](const QImage& s) { return s.pixel(lcd) == red; });
        EXPECT_EQ(flashed.pixel(lcd), red) << name;
        fs::copy_file(scratch / "red.png", previewFolder() / (name + "-red.png"), fs::copy_options::overwrite_existing);
        EXPECT_EQ(face.command("flip"), "ok");
        const QRgb normal = expected.pixel(glassMiddle(size));
        EXPECT_EQ(
            face.screenWhen(scratch / "normal.png", [&](const QImage& s) { return s.pixel(lcd) == normal; }).pixel(lcd),
            normal)
            << name;
    }
}

TEST(FaceOnX, TransparentStartsShapedAndDoubleClicksToggle) {
    FaceWorld world;
    kez::test::TempDir scratch("kez-face-x");
    kez::test::XServer x;
    FaceOnX face(x, 2, {"transparent"});
    const QRect canvas = face.where().canvas;
    const QPoint corner = canvas.topLeft() + QPoint(2, 2);
    const auto isShaped = [&](bool shaped) {
        return [&, shaped](const QImage& s) { return (s.pixel(corner) == kMagenta) == shaped; };
    };
    EXPECT_EQ(face.screenWhen(scratch / "s.png", isShaped(true)).pixel(corner), kMagenta);
    // The background just inside the outline, clear of every key.
    const QPoint background = canvas.topLeft() + QPoint(60, 40);
    for (bool shapedAfter : {false, true}) {
        EXPECT_TRUE(
            x.run({"xdotool", "mousemove", std::to_string(background.x()), std::to_string(background.y())}).ok());
        EXPECT_TRUE(x.run({"xdotool", "click", "--repeat", "2", "--delay", "80", "1"}).ok());
        EXPECT_EQ(face.screenWhen(scratch / "s.png", isShaped(shapedAfter)).pixel(corner) == kMagenta, shapedAfter);
    }
}

TEST(FaceOnX, UnderAWindowManagerTheFrameGoesAndThePictureStays) {
    FaceWorld world;
    kez::test::XServer x(true);
    FaceOnX face(x, 1);
    const std::string window = face.where().window;
    const auto frameless = [&] {
        return x.run({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}).out.find("= 0, 0, 0, 0") != std::string::npos;
    };
    // The window's place as the X server has it, once the window manager has settled it.
    const auto settledPlace = [&](bool shaped, QPoint& place) {
        return kez::test::eventually([&] {
            const QPoint first = windowPlace(x, window);
            std::this_thread::sleep_for(100ms);
            place = windowPlace(x, window);
            return place == first && frameless() == shaped;
        });
    };
    QPoint before;
    ASSERT_TRUE(settledPlace(false, before));
    for (bool shaped : {true, false}) {
        EXPECT_EQ(face.command("toggle"), "ok");
        QPoint now;
        EXPECT_TRUE(settledPlace(shaped, now)) << shaped;
        EXPECT_LE((now - before).manhattanLength(), 1) << shaped << ": " << now.x() << "," << now.y();
    }
}

TEST(FaceOnX, CloseFromTheWindowManagerAsksTheControllerAndKeepsTheWindow) {
    FaceWorld world;
    kez::test::XServer x(true);
    FaceOnX face(x, 2);
    const std::string window = face.where().window;
    EXPECT_TRUE(x.run({"xdotool", "windowactivate", "--sync", window}).ok());
    // As the close box does: the window manager asks the window to close.
    EXPECT_TRUE(x.run({"wmctrl", "-i", "-c", window}).ok());
    EXPECT_TRUE(kez::test::eventually([&] { return face.command("calls") == "UserFileExit"; }, 60s));
    EXPECT_TRUE(x.run({"xwininfo", "-id", window}).out.find("IsViewable") != std::string::npos);
}

} // namespace
} // namespace kez::ombrel::test
