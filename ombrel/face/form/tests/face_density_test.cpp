// The window, label boxes and display lines at 96, 120 and 144 pixels per inch, each density in a face of its
// own process (the density is the whole process's).
#include <gtest/gtest.h>

#include <string>

#include "face_test_kit.h"
#include "process.h"

namespace kez::ombrel::test {
namespace {

struct DensityRow {
    int type;
    int dpi;
    const char* layout;
};

// Canvas: the window's size in twips at the density, less the frame, caption and menu bar (8 x 46 pixels).
// "fits": "Waiting for Init" within display line 1. Places do not grow with the density but fonts do: at 144 the
// small face's 8-point line runs past its 105 pixels, as the tables have it.
const DensityRow kRows[] = {
    {1, 96, "dpi 96 canvas 586x521 label 25x13 line1 239 75 140 15 line2 239 89 140 15 font MS Sans Serif 8.25 fits 1"},
    {1, 120, "dpi 120 canvas 587x529 label 31x16 line1 238 74 160 15 line2 238 88 160 15 font MS Sans Serif 8 fits 1"},
    {1, 144,
     "dpi 144 canvas 883x805 label 38x20 line1 239 75 140 15 line2 239 89 140 15 font MS Sans Serif 8.25 fits 1"},
    {2, 96, "dpi 96 canvas 439x390 label 25x13 line1 183 55 105 15 line2 183 65 105 15 font Arial 8 fits 1"},
    {2, 120, "dpi 120 canvas 440x396 label 24x16 line1 185 56 103 10 line2 185 66 103 10 font Small Fonts 5 fits 1"},
    {2, 144, "dpi 144 canvas 663x608 label 38x20 line1 183 55 105 15 line2 183 65 105 15 font Arial 8 fits 0"},
};

TEST(FaceDensity, RowsOfEachDensity) {
    for (const auto& row : kRows) {
        FaceWorld world;
        kez::test::ChildProcess face;
        ASSERT_TRUE(face.start({FACE_PROBE, std::to_string(row.type)},
                               {"QT_QPA_PLATFORM=offscreen", "QT_FONT_DPI=" + std::to_string(row.dpi)}));
        ASSERT_EQ(face.readLine(), "ready");
        face.sendLine("layout");
        EXPECT_EQ(face.readLine(), row.layout);
        face.sendLine("quit");
        EXPECT_EQ(face.readLine(), "ok");
        EXPECT_EQ(face.wait(), 0);
        EXPECT_TRUE(world.boxes().empty());
    }
}

} // namespace
} // namespace kez::ombrel::test
