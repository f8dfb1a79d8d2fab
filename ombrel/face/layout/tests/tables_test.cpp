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
    std::vector<KeyId> ledKeys;
    for (const auto& r : rows) {
        if (r.ledFamily) ledKeys.push_back(r.key);
    }
    EXPECT_EQ(ledKeys, (std::vector<KeyId>{65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 16, 32, 31, 17, 21, 22}));
}

TEST(ButtonTable, KeysOutsideTheSetHaveNoRow) {
    std::set<int> keys;
    for (const auto& row : buttonRows())
        keys.insert(row.key);
    EXPECT_EQ(keys.size(), 47u);
    for (int key : {10, 11, 12, 13, 33, 40, 48, 55, 60, 64, 77})
        EXPECT_FALSE(keys.count(key)) << key;
}

TEST(ButtonTable, EdgeRowsOfTheTable) {
    struct Case {
        KeyId key;
        Control family;
        int index;
        std::optional<int> labelBox;
        int keyTopic;
        int ledTopic;
        std::string description;
    };
    const std::vector<Case> cases{
        {0, Control::DTMF, 0, std::nullopt, 0, 0, "0 - oper"},
        {14, Control::DTMF, 14, std::nullopt, 0, 0, "Star key"},
        {65, Control::LBUTTONS, 0, 0, 27, 28, "System Appearance #1"},
        {66, Control::LBUTTONS, 1, 1, 35, 36, "System Appearance #2"},
        {73, Control::LBUTTONS, 8, 8, 49, 50, "System Appearance #9"},
        {74, Control::LBUTTONS, 9, 9, 29, 30, "System Appearance #10"},
        {76, Control::LBUTTONS, 11, 11, 33, 34, "System Appearance #12"},
        {49, Control::FButton, 0, 12, 9, 0, "Feature button #6"},
        {54, Control::FButton, 5, 17, 4, 0, "Feature button #1"},
        {16, Control::FIXED, 0, std::nullopt, 57, 56, "Program button"},
        {32, Control::FIXED, 1, std::nullopt, 10, 11, "Forward to voicemail button"},
        {17, Control::FIXED, 3, std::nullopt, 12, 13, "Handsfree"},
        {22, Control::BFBUTTON, 0, std::nullopt, 64, 65, "Speaker button"},
        {27, Control::DISPLAY, 4, std::nullopt, 59, 0, "Scroll Down"},
    };
    for (const auto& c : cases) {
        const auto rows = buttonRows();
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.key == c.key; });
        ASSERT_NE(row, rows.end()) << c.key;
        EXPECT_EQ(row->keyFamily, c.family) << c.key;
        EXPECT_EQ(row->keyIndex, c.index) << c.key;
        EXPECT_EQ(row->labelBox, c.labelBox) << c.key;
        EXPECT_EQ(row->keyHelpTopic, c.keyTopic) << c.key;
        EXPECT_EQ(row->ledHelpTopic, c.ledTopic) << c.key;
        EXPECT_EQ(row->description, c.description) << c.key;
        EXPECT_EQ(row->type == ButtonType::Programmable, c.labelBox.has_value()) << c.key;
    }
    EXPECT_EQ(keyText(65), "65");
    EXPECT_EQ(keyText(0), "0");
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
