#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "layout/outlines.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "layout/window_tables.h"

namespace kez::ombrel::face {
namespace {

struct Density {
    FaceSize size;
    int dpi;
};

std::string sizeName(FaceSize size) { return size == FaceSize::Large ? "large" : "small"; }

struct NamedRect {
    std::string name;
    Rect rect;
};

// Every control rectangle of the face at a density: pictures at their bitmap sizes, label boxes, the focus
// box (1 x 1) and the two display lines.
std::vector<NamedRect> controlRects(FaceSize size, int dpi) {
    std::vector<NamedRect> rects;
    for (const auto& placed : placedControls(size)) {
        Size extent{1, 1};
        if (placed.control == Control::LineLabels) extent = labelBoxSize(size, dpi);
        if (isPictureFamily(placed.control)) extent = pictureSize(size, placed.control, placed.index);
        rects.push_back({std::string(controlName(placed.control)) + " " + std::to_string(placed.index),
                         {placed.at.x, placed.at.y, extent.width, extent.height}});
    }
    const auto lines = displayLines(size, dpi);
    rects.push_back({"lblDisplay1", lines.line1});
    rects.push_back({"lblDisplay2", lines.line2});
    return rects;
}

// Even-odd test of a pixel's centre against the outline.
bool pixelInside(std::span<const Point> polygon, int px, int py) {
    const double x = px + 0.5;
    const double y = py + 0.5;
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const auto& a = polygon[i];
        const auto& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / double(b.y - a.y)) inside = !inside;
    }
    return inside;
}

bool rectInside(std::span<const Point> polygon, const Rect& rect) {
    for (int x = rect.x; x < rect.right(); ++x) {
        for (int y = rect.y; y < rect.bottom(); ++y) {
            if (!pixelInside(polygon, x, y)) return false;
        }
    }
    return true;
}

class FaceGeometry : public ::testing::TestWithParam<Density> {};

TEST_P(FaceGeometry, EveryControlLiesInsideTheOutline) {
    const auto [size, dpi] = GetParam();
    for (const auto& control : controlRects(size, dpi)) {
        EXPECT_TRUE(rectInside(outline(size), control.rect)) << control.name;
    }
    EXPECT_TRUE(rectInside(outline(size), lcdGlass(size)));
}

TEST_P(FaceGeometry, NoTwoControlsOverlapButTheFaceOwnStackedPairs) {
    const auto [size, dpi] = GetParam();
    // The focus box hides under label box 0. Line 2 of the display starts before line 1 ends (by one pixel on
    // the large face, by five on the small one at other than 120) on every row but the small face's at 120.
    std::set<std::pair<std::string, std::string>> expected{{"txtLineLabels 0", "txtDummyTextbox 0"}};
    if (size == FaceSize::Large || dpi != 120) expected.insert({"lblDisplay1", "lblDisplay2"});
    std::set<std::pair<std::string, std::string>> overlapping;
    const auto rects = controlRects(size, dpi);
    for (size_t i = 0; i < rects.size(); ++i) {
        for (size_t j = i + 1; j < rects.size(); ++j) {
            if (rects[i].rect.intersects(rects[j].rect)) overlapping.insert({rects[i].name, rects[j].name});
        }
    }
    EXPECT_EQ(overlapping, expected);
}

TEST_P(FaceGeometry, TheDisplayGlassHoldsTheDisplayLinesClearOfEveryPicture) {
    const auto [size, dpi] = GetParam();
    const Rect glass = lcdGlass(size);
    for (const auto& control : controlRects(size, dpi)) {
        if (control.name.starts_with("img")) {
            EXPECT_FALSE(glass.intersects(control.rect)) << control.name;
        }
    }
    if (size == FaceSize::Large && dpi == 120) return; // its 160-pixel lines run past the glass
    const auto lines = displayLines(size, dpi);
    for (const Rect& line : {lines.line1, lines.line2}) {
        EXPECT_TRUE(glass.x <= line.x && line.right() <= glass.right() && glass.y <= line.y &&
                    line.bottom() <= glass.bottom());
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndDensities, FaceGeometry,
                         ::testing::Values(Density{FaceSize::Large, 96}, Density{FaceSize::Large, 120},
                                           Density{FaceSize::Small, 96}, Density{FaceSize::Small, 120}),
                         [](const auto& info) {
                             return sizeName(info.param.size) + std::to_string(info.param.dpi) + "dpi";
                         });

TEST(FaceOutline, CountsBoundsAndClockwiseRun) {
    struct Case {
        FaceSize size;
        size_t points;
        Rect bounds;
    };
    for (const auto& c :
         {Case{FaceSize::Large, 98, {27, 16, 543, 480}}, Case{FaceSize::Small, 90, {20, 12, 408, 361}}}) {
        const auto points = outline(c.size);
        ASSERT_EQ(points.size(), c.points);
        const auto [minX, maxX] =
            std::minmax_element(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
        const auto [minY, maxY] =
            std::minmax_element(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
        EXPECT_EQ((Rect{minX->x, minY->y, maxX->x - minX->x + 1, maxY->y - minY->y + 1}), c.bounds);
        long twiceArea = 0; // positive for a clockwise run on a screen, y down
        for (size_t i = 0; i < points.size(); ++i) {
            const auto& a = points[i];
            const auto& b = points[(i + 1) % points.size()];
            twiceArea += long(a.x) * b.y - long(b.x) * a.y;
        }
        EXPECT_GT(twiceArea, 0);
        EXPECT_LT(points.front().x, 60) << "starts near the top-left corner";
    }
}

TEST(FacePositions, EveryPlaceLiesInItsFacesRange) {
    struct Case {
        FaceSize size;
        Rect range; // inclusive of its last column and row
    };
    for (const auto& c : {Case{FaceSize::Large, {174, 28, 347, 409}}, Case{FaceSize::Small, {134, 20, 257, 309}}}) {
        const auto placed = placedControls(c.size);
        EXPECT_EQ(placed.size(), 85u); // 66 picture places (65 pairs and the logo), 18 label boxes, the focus box
        for (const auto& control : placed) {
            const Rect point{control.at.x, control.at.y, 1, 1};
            EXPECT_TRUE(c.range.intersects(point)) << controlName(control.control) << " " << control.index;
        }
    }
}

TEST(FacePositions, DialPadIsInTelephoneOrderWithTheSmallFacesOddPixelKept) {
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        std::vector<std::pair<Point, int>> keys;
        for (int key : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15})
            keys.push_back({*position(size, Control::DTMF, key), key});
        // Rows lie at least 20 pixels apart; within a row, left to right.
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return a.first.y / 20 != b.first.y / 20 ? a.first.y < b.first.y : a.first.x < b.first.x;
        });
        std::vector<int> order;
        for (const auto& key : keys)
            order.push_back(key.second);
        EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 0, 15})) << sizeName(size);
    }
    EXPECT_EQ(position(FaceSize::Small, Control::DTMF, 7)->x, position(FaceSize::Small, Control::DTMF, 4)->x - 1);
    EXPECT_EQ(position(FaceSize::Small, Control::DTMF, 0)->x, position(FaceSize::Small, Control::DTMF, 5)->x - 1);
    EXPECT_EQ(position(FaceSize::Large, Control::DTMF, 7)->x, position(FaceSize::Large, Control::DTMF, 4)->x);
    EXPECT_FALSE(position(FaceSize::Large, Control::DTMF, 10));
}

} // namespace
} // namespace kez::ombrel::face
