// The key table, the blink rule and the collections the controller keeps its buttons in.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "kez/vb/runtime_error.h"
#include "ombrel/keyed_collection.h"
#include "ombrel/phone_keys.h"

namespace kez::ombrel {
namespace {

int runtimeErrorOf(const auto& call) {
    try {
        call();
    } catch (const vb::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(KeyTable, NoKeyInTheGaps) {
    for (const KeyId unused : {10, 13, 33, 48, 55, 64, 77, -1})
        EXPECT_EQ(findKey(unused), nullptr) << unused;
}

TEST(KeyTable, RowsThatAreEasilyMistaken) {
    struct Row {
        KeyId key;
        ButtonType type;
        std::string_view caption, description;
    };
    for (const auto& row : {
             Row{0, ButtonType::DialPad, "&0", "0 - oper"},
             Row{15, ButtonType::DialPad, "&#", "Hash key"},
             Row{17, ButtonType::FixedFeature, "Hands Free", "Handsfree"},
             Row{23, ButtonType::FixedFeature, "Vol. Up", "Volume Up Button"},
             Row{26, ButtonType::FixedFeature, "", "Scroll Up"},
             Row{30, ButtonType::FixedFeature, "", "Soft button 3"},
             Row{49, ButtonType::Programmable, "F1", "Feature button #6"},
             Row{54, ButtonType::Programmable, "F6", "Feature button #1"},
             Row{76, ButtonType::Programmable, "L12", "System Appearance #12"},
         }) {
        const KeyInfo* info = findKey(row.key);
        ASSERT_NE(info, nullptr) << row.key;
        EXPECT_EQ(info->type, row.type) << row.key;
        EXPECT_EQ(info->caption, row.caption) << row.key;
        EXPECT_EQ(info->description, row.description) << row.key;
    }
}

TEST(KeyTable, BuildOrderHelpTopicsAndLeds) {
    // Key, help topic of the key and of its LED (-1: none), in the order both forms build them: the dial pad,
    // the line keys, the feature keys, the fixed keys.
    const int rows[47][3] = {
        {0, 0, -1},   {1, 0, -1},   {2, 0, -1},   {3, 0, -1},   {4, 0, -1},   {5, 0, -1},   {6, 0, -1},   {7, 0, -1},
        {8, 0, -1},   {9, 0, -1},   {14, 0, -1},  {15, 0, -1},  {65, 27, 28}, {66, 35, 36}, {67, 37, 38}, {68, 39, 40},
        {69, 41, 42}, {70, 43, 44}, {71, 45, 46}, {72, 47, 48}, {73, 49, 50}, {74, 29, 30}, {75, 31, 32}, {76, 33, 34},
        {49, 9, -1},  {50, 8, -1},  {51, 7, -1},  {52, 6, -1},  {53, 5, -1},  {54, 4, -1},  {16, 57, 56}, {32, 10, 11},
        {31, 52, 53}, {17, 12, 13}, {21, 54, 55}, {23, 68, -1}, {24, 67, -1}, {22, 64, 65}, {25, 58, -1}, {20, 1, -1},
        {19, 66, -1}, {18, 14, -1}, {28, 61, -1}, {29, 62, -1}, {30, 63, -1}, {26, 60, -1}, {27, 59, -1}};
    const auto keys = keyTable();
    ASSERT_EQ(keys.size(), 47u);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto [key, keyHelp, ledHelp] = rows[i];
        EXPECT_EQ(keys[i].key, key) << "row " << i + 1;
        EXPECT_EQ(keys[i].keyHelpTopic, keyHelp) << key;
        EXPECT_EQ(keys[i].hasLed(), ledHelp >= 0) << key;
        EXPECT_EQ(keys[i].ledHelpTopic, std::max(ledHelp, 0)) << key;
    }
}

TEST(KeyTable, TagsAreThePlainNumber) {
    EXPECT_EQ(keyTag(65), "65");
    EXPECT_EQ(keyTag(0), "0");
}

TEST(BlinkRule, EveryStateOverTheFourSteps) {
    // 'x' lit, '.' dark, '-' unchanged, for steps 0 to 3.
    const std::string_view expected[17] = {"....", "xx..", "x.x.", "xxxx", "----", "----", "----", "----", "----",
                                           "----", "----", "----", "----", "----", "----", "....", "----"};
    for (int state = 0; state <= 16; ++state) {
        for (std::int16_t step = 0; step < kBlinkSteps; ++step) {
            const auto lit = ledLitForStep(static_cast<LEDState>(state), step);
            const char shown = !lit ? '-' : (*lit ? 'x' : '.');
            EXPECT_EQ(shown, expected[state][step]) << "state " << state << " step " << step;
        }
    }
}

TEST(KeyedCollection, InsertionOrderPositionsFromOneKeysWithoutCase) {
    KeyedCollection<std::shared_ptr<int>> items;
    items.add("65", std::make_shared<int>(1));
    items.add("Ab", std::make_shared<int>(2));
    items.add("5", std::make_shared<int>(3));
    ASSERT_EQ(items.count(), 3u);
    EXPECT_EQ(*items.item(1), 1);
    EXPECT_EQ(*items.item(3), 3);
    EXPECT_EQ(*items.item("aB"), 2);
    EXPECT_EQ(items.find(" 65"), nullptr);
    EXPECT_EQ(items.item(std::size_t{2}), items.item("ab"));
}

TEST(KeyedCollection, RunTimeErrors) {
    KeyedCollection<int> items;
    items.add("1", 10);
    EXPECT_EQ(runtimeErrorOf([&] { items.add("1", 11); }), 457);
    EXPECT_EQ(items.count(), 1u);
    EXPECT_EQ(runtimeErrorOf([&] { items.item(0); }), 9);
    EXPECT_EQ(runtimeErrorOf([&] { items.item(2); }), 9);
    EXPECT_EQ(runtimeErrorOf([&] { items.item("2"); }), 5);
    EXPECT_EQ(vb::RuntimeError(457).description(), "This key is already associated with an element of this collection");
    EXPECT_EQ(vb::RuntimeError(9).description(), "Subscript out of range");
}

} // namespace
} // namespace kez::ombrel
