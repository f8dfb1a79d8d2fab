// The key table, the blink rule and the collections the controller keeps its buttons in.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

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

TEST(KeyTable, FortySevenKeysEighteenLedsNoneInTheGaps) {
    const auto keys = keyTable();
    EXPECT_EQ(keys.size(), 47u);
    EXPECT_EQ(std::ranges::count_if(keys, &KeyInfo::hasLed), 18);
    for (const KeyId unused : {10, 13, 33, 48, 55, 64, 77, -1})
        EXPECT_EQ(findKey(unused), nullptr) << unused;
    for (const KeyId lit : {16, 17, 21, 22, 31, 32, 65, 76})
        EXPECT_TRUE(findKey(lit)->hasLed()) << lit;
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
    struct Row {
        KeyId key;
        int keyHelp;
        int ledHelp; // -1: no LED
    };
    // Both forms build their keys in this order: the dial pad, the line keys, the feature keys, the fixed keys.
    std::vector<Row> rows;
    for (const KeyId key : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15})
        rows.push_back({key, 0, -1});
    const int lineHelp[12][2] = {{27, 28}, {35, 36}, {37, 38}, {39, 40}, {41, 42}, {43, 44},
                                 {45, 46}, {47, 48}, {49, 50}, {29, 30}, {31, 32}, {33, 34}};
    for (int i = 0; i < 12; ++i)
        rows.push_back({KeyId(65 + i), lineHelp[i][0], lineHelp[i][1]});
    for (int i = 0; i < 6; ++i)
        rows.push_back({KeyId(49 + i), 9 - i, -1});
    rows.insert(rows.end(), {{16, 57, 56},
                             {32, 10, 11},
                             {31, 52, 53},
                             {17, 12, 13},
                             {21, 54, 55},
                             {23, 68, -1},
                             {24, 67, -1},
                             {22, 64, 65},
                             {25, 58, -1},
                             {20, 1, -1},
                             {19, 66, -1},
                             {18, 14, -1},
                             {28, 61, -1},
                             {29, 62, -1},
                             {30, 63, -1},
                             {26, 60, -1},
                             {27, 59, -1}});
    const auto keys = keyTable();
    ASSERT_EQ(keys.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(keys[i].key, rows[i].key) << "row " << i + 1;
        EXPECT_EQ(keys[i].keyHelpTopic, rows[i].keyHelp) << rows[i].key;
        EXPECT_EQ(keys[i].hasLed(), rows[i].ledHelp >= 0) << rows[i].key;
        EXPECT_EQ(keys[i].ledHelpTopic, std::max(rows[i].ledHelp, 0)) << rows[i].key;
    }
}

TEST(KeyTable, TheKeysTheSetHandlesItselfAndTheKeyboardsLetters) {
    EXPECT_EQ(keyWithRole(KeyRole::HandsFree), 17);
    EXPECT_EQ(keyWithRole(KeyRole::Mute), 21);
    EXPECT_EQ(keyWithRole(KeyRole::Speaker), 22);
    EXPECT_EQ(keyWithRole(KeyRole::VolumeUp), 23);
    EXPECT_EQ(keyWithRole(KeyRole::VolumeDown), 24);
    EXPECT_EQ(keyRole(16), KeyRole::Plain);
    EXPECT_EQ(keyRole(99), KeyRole::Plain);
    EXPECT_EQ(std::ranges::count_if(keyTable(), [](const KeyInfo& key) { return key.role != KeyRole::Plain; }), 5);
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
