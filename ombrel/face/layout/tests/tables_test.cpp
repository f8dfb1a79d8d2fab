#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "expected_bitmap_names.h"
#include "layout/bitmap_files.h"
#include "layout/button_table.h"
#include "layout/window_tables.h"

namespace kez::ombrel::face {
namespace {

bool isLoaded(const PictureRef& picture) {
    const auto loads = pictureLoads();
    return std::any_of(loads.begin(), loads.end(), [&](const auto& load) { return load.picture == picture; });
}

TEST(ButtonTable, RowsRunInBuildOrderGroupByGroup) {
    struct Group {
        Control family;
        std::vector<int> indexes;
    };
    const std::vector<Group> order{{Control::DTMF, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15}},
                                   {Control::LBUTTONS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
                                   {Control::FButton, {0, 1, 2, 3, 4, 5}},
                                   {Control::FIXED, {0, 1, 2, 3, 4, 5, 6}},
                                   {Control::BFBUTTON, {0, 1, 2, 3, 4}},
                                   {Control::DISPLAY, {0, 1, 2, 3, 4}}};
    const auto rows = buttonRows();
    ASSERT_EQ(rows.size(), 47u);
    size_t row = 0;
    for (const auto& group : order) {
        for (int index : group.indexes) {
            EXPECT_EQ(rows[row].keyFamily, group.family) << "row " << row + 1;
            EXPECT_EQ(rows[row].keyIndex, index) << "row " << row + 1;
            ++row;
        }
    }
    for (const KeyId key : {10, 13, 33, 48, 55, 64, 77})
        EXPECT_EQ(buttonRow(key), nullptr) << key;
}

TEST(ButtonTable, EachKeysPicturesLedAndLabelBox) {
    struct Case {
        KeyId key;
        Control family;
        int index;
        std::optional<Control> led;
        int ledIndex;
        std::optional<int> labelBox;
    };
    const std::vector<Case> cases{
        {0, Control::DTMF, 0, std::nullopt, 0, std::nullopt},
        {14, Control::DTMF, 14, std::nullopt, 0, std::nullopt},
        {65, Control::LBUTTONS, 0, Control::LBUTTON, 0, 0},
        {74, Control::LBUTTONS, 9, Control::LBUTTON, 9, 9},
        {76, Control::LBUTTONS, 11, Control::LBUTTON, 11, 11},
        {49, Control::FButton, 0, std::nullopt, 0, 12},
        {54, Control::FButton, 5, std::nullopt, 0, 17},
        {16, Control::FIXED, 0, Control::Program, 0, std::nullopt},
        {32, Control::FIXED, 1, Control::ChkFixed, 0, std::nullopt},
        {17, Control::FIXED, 3, Control::ChkFixed, 2, std::nullopt},
        {22, Control::BFBUTTON, 0, Control::ChkSpeaker, 0, std::nullopt},
        {27, Control::DISPLAY, 4, std::nullopt, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const ButtonRow* row = buttonRow(c.key);
        ASSERT_NE(row, nullptr) << c.key;
        EXPECT_EQ(row->keyFamily, c.family) << c.key;
        EXPECT_EQ(row->keyIndex, c.index) << c.key;
        EXPECT_EQ(row->ledFamily, c.led) << c.key;
        EXPECT_EQ(row->ledIndex, c.ledIndex) << c.key;
        EXPECT_EQ(row->labelBox, c.labelBox) << c.key;
        EXPECT_EQ(row->type == ButtonType::Programmable, c.labelBox.has_value()) << c.key;
    }
}

TEST(ButtonTable, EveryRowNamesPicturesTheFaceLoadsAndEachLabelBoxOnce) {
    std::multiset<int> boxes;
    for (const auto& row : buttonRows()) {
        for (Side side : {Side::Up, Side::Down}) {
            EXPECT_TRUE(isLoaded({row.keyFamily, side, row.keyIndex})) << row.key;
            if (row.ledFamily) {
                EXPECT_TRUE(isLoaded({*row.ledFamily, side, row.ledIndex})) << row.key;
            }
        }
        if (row.labelBox) boxes.insert(*row.labelBox);
    }
    std::multiset<int> all;
    for (int box = 0; box < 18; ++box)
        all.insert(box);
    EXPECT_EQ(boxes, all);
}

TEST(BitmapFiles, EachFolderHoldsExactlyTheNamedFiles) {
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        const auto files = pictureFiles();
        std::set<std::string> names(files.begin(), files.end());
        EXPECT_EQ(names.size(), 79u);
        names.insert(std::string(backgroundFile(size)));
        names.insert(std::string(redLcdFile(size)));
        EXPECT_EQ(names, test::expectedBitmapNames(size));
    }
}

TEST(BitmapFiles, LoadsRunInTheFacesOrderAndPairEveryPressedPicture) {
    const auto loads = pictureLoads();
    ASSERT_EQ(loads.size(), 131u);
    // With "imaMenuDn.bmp" missing the face keeps the first 20 loads (families 1 to 6).
    EXPECT_EQ(loads[20].file, "imaMenuDn.bmp");
    EXPECT_EQ(loads[0].picture, (PictureRef{Control::BFBUTTON, Side::Down, 0}));
    EXPECT_EQ(loads[130].picture, (PictureRef{Control::Program, Side::Up, 0}));
    int pressed = 0;
    for (const auto& load : loads) {
        if (load.picture.side != Side::Down) continue;
        ++pressed;
        EXPECT_TRUE(isLoaded({load.picture.family, Side::Up, load.picture.index})) << load.file;
    }
    EXPECT_EQ(pressed, 65);
}

TEST(BitmapFiles, TypeOneIsTheLargeFaceAndEveryOtherTheSmall) {
    struct Case {
        int type;
        std::string folder;
        std::string background;
        std::string red;
    };
    const std::vector<Case> cases{
        {1, "bitmaps/bigkzset", "Ombrel_100_with shadow.bmp", "Ombrel_100_with red_lcd.bmp"},
        {2, "bitmaps/smallkzset", "Ombrel_75_with shadow.bmp", "Ombrel_75_with red_lcd.bmp"},
        {0, "bitmaps/smallkzset", "Ombrel_75_with shadow.bmp", "Ombrel_75_with red_lcd.bmp"},
        {7, "bitmaps/smallkzset", "Ombrel_75_with shadow.bmp", "Ombrel_75_with red_lcd.bmp"},
    };
    for (const auto& c : cases) {
        const FaceSize size = faceSizeFromType(c.type);
        EXPECT_EQ(bitmapFolder(size), c.folder) << c.type;
        EXPECT_EQ(backgroundFile(size), c.background) << c.type;
        EXPECT_EQ(redLcdFile(size), c.red) << c.type;
    }
}

TEST(WindowTables, OnlyExactly120TakesTheLargeFontsRows) {
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        for (int dpi : {72, 144}) {
            EXPECT_EQ(windowTwips(size, dpi), windowTwips(size, 96));
            EXPECT_EQ(displayLines(size, dpi).line1, displayLines(size, 96).line1);
        }
        EXPECT_NE(windowTwips(size, 120), windowTwips(size, 96));
        EXPECT_EQ(labelBoxSize(size, 96), (Size{25, 13}));
    }
    EXPECT_EQ(labelBoxSize(FaceSize::Large, 120), (Size{31, 16}));
    EXPECT_EQ(labelBoxSize(FaceSize::Small, 120), (Size{24, 16}));
    // Only the large face at other than 120 keeps the display's built-in font.
    EXPECT_FALSE(displayLines(FaceSize::Large, 96).font);
    EXPECT_EQ(displayLines(FaceSize::Large, 120).font->family, "MS Sans Serif");
    EXPECT_EQ(displayLines(FaceSize::Small, 96).font->family, "Arial");
    EXPECT_EQ(displayLines(FaceSize::Small, 120).font->family, "Small Fonts");
}

} // namespace
} // namespace kez::ombrel::face
