// Qt's key events as the phone forms read them: the shortcut table through the Windows key codes, the pairing of
// a release with its press, X's auto-repeat, and Alt for the menu bar.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include <optional>
#include <string>
#include <vector>

#include "ombrel/key_translation.h"

namespace kez::ombrel {
namespace {

using Kind = KeyStroke::Kind;

std::vector<KeyStroke> translate(KeyTranslation& keys, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {},
                                 std::uint32_t scanCode = 0, bool autoRepeat = false, std::uint64_t time = 0) {
    QKeyEvent event(type, key, modifiers, scanCode, 0, 0, QString(), autoRepeat);
    event.setTimestamp(time);
    return keys.translate(event);
}

// Each stroke as "down 14", "up 14" or "menu".
std::vector<std::string> strokes(const std::vector<KeyStroke>& translated) {
    std::vector<std::string> texts;
    for (const auto& stroke : translated) {
        const auto id = shortcutKeyId(stroke.key);
        const std::string key = id ? std::to_string(*id) : "none";
        texts.push_back(stroke.kind == Kind::MenuBar ? "menu" : (stroke.kind == Kind::Down ? "down " : "up ") + key);
    }
    return texts;
}

std::optional<KeyId> pressed(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return shortcutKeyId(windowsKey(event));
}

struct ShortcutRow {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::optional<KeyId> id;
};

TEST(KeyTranslation, ShortcutTableOfThePhoneForms) {
    std::vector<ShortcutRow> rows;
    for (int digit = 0; digit <= 9; ++digit) {
        rows.push_back({Qt::Key_0 + digit, Qt::NoModifier, KeyId(digit)});
        rows.push_back({Qt::Key_0 + digit, Qt::KeypadModifier, KeyId(digit)});
    }
    for (int f = 0; f < 12; ++f)
        rows.push_back({Qt::Key_F1 + f, Qt::NoModifier, KeyId(65 + f)});
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier, keypad = Qt::KeypadModifier, none = Qt::NoModifier;
    const ShortcutRow fixed[] = {
        // What Shift with a digit gives on a US keyboard, and the same signs from keys of their own.
        {Qt::Key_Asterisk, shift, 14},
        {Qt::Key_NumberSign, shift, 15},
        {Qt::Key_NumberSign, none, 15},
        {Qt::Key_Percent, shift, {}},
        {Qt::Key_5, shift, {}},
        {Qt::Key_ParenRight, shift, {}},
        {Qt::Key_Asterisk, keypad, 14},
        {Qt::Key_Period, keypad, 15},
        {Qt::Key_Comma, keypad, 22},
        {Qt::Key_Plus, keypad, {}},
        {Qt::Key_Period, none, {}},
        {Qt::Key_Escape, none, 22},
        {Qt::Key_S, none, 22},
        {Qt::Key_S, shift, 22},
        {Qt::Key_R, none, 25},
        {Qt::Key_C, none, 20},
        {Qt::Key_C, Qt::ControlModifier, 20},
        {Qt::Key_T, none, 19},
        {Qt::Key_H, none, 18},
        {Qt::Key_F, none, 32},
        {Qt::Key_V, none, 31},
        {Qt::Key_M, none, 21},
        {Qt::Key_P, none, 16},
        {Qt::Key_A, shift, 17},
        {Qt::Key_Up, none, 23},
        {Qt::Key_Right, none, 23},
        {Qt::Key_Down, none, 24},
        {Qt::Key_Left, none, 24},
        {Qt::Key_Up, keypad, 23},
        {Qt::Key_F13, none, {}},
        {Qt::Key_Return, none, {}},
        {Qt::Key_Space, none, {}},
        {Qt::Key_B, none, {}},
    };
    rows.insert(rows.end(), std::begin(fixed), std::end(fixed));
    for (const auto& row : rows)
        EXPECT_EQ(pressed(row.key, row.modifiers), row.id)
            << "Qt key 0x" << std::hex << row.key << " " << row.modifiers;
}

using Strokes = std::vector<std::string>;

TEST(KeyTranslation, AReleasePairsWithItsPressByScanCodeAndWaitsToBeTaken) {
    KeyTranslation keys;
    // Shift+8 pressed, Shift let go first: the release is still star's.
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_Asterisk, Qt::ShiftModifier, 17, false, 1)),
              Strokes{"down 14"});
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyRelease, Qt::Key_8, {}, 17, false, 2)), Strokes{});
    ASSERT_TRUE(keys.hasPendingRelease());
    EXPECT_EQ(strokes({*keys.takePendingRelease()}), Strokes{"up 14"});
    EXPECT_FALSE(keys.takePendingRelease());
    // A key whose press was not seen here (it went to a pop-up menu or a label box) gives nothing: neither its
    // release nor its repeats, marked or not; its next press is a press.
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyRelease, Qt::Key_8, {}, 17)), Strokes{});
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyRelease, Qt::Key_Escape, {}, 9, false, 600)), Strokes{});
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_Escape, {}, 9, false, 600)), Strokes{});
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_Escape, {}, 9, true, 640)), Strokes{});
    EXPECT_FALSE(keys.hasPendingRelease());
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_Escape, {}, 9, false, 900)), Strokes{"down 22"});
    // Without scan codes (synthetic events) each event stands on its own.
    translate(keys, QEvent::KeyPress, Qt::Key_Asterisk, Qt::ShiftModifier);
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyRelease, Qt::Key_8)), Strokes{"up 8"});
}

TEST(KeyTranslation, XRepeatsGiveAPressEachAndOneRelease) {
    KeyTranslation keys;
    Strokes seen;
    const auto feed = [&](QEvent::Type type, int key, std::uint32_t scan, bool repeat, std::uint64_t time) {
        const auto more = strokes(translate(keys, type, key, {}, scan, repeat, time));
        seen.insert(seen.end(), more.begin(), more.end());
    };
    feed(QEvent::KeyPress, Qt::Key_5, 14, false, 1);
    // A repeat not marked as one: the press has the release's time.
    feed(QEvent::KeyRelease, Qt::Key_5, 14, false, 700);
    feed(QEvent::KeyPress, Qt::Key_5, 14, false, 700);
    // A repeat marked as one.
    feed(QEvent::KeyRelease, Qt::Key_5, 14, true, 740);
    feed(QEvent::KeyPress, Qt::Key_5, 14, true, 740);
    // The real release, and another key before it was taken: the release comes first.
    feed(QEvent::KeyRelease, Qt::Key_5, 14, false, 900);
    feed(QEvent::KeyPress, Qt::Key_R, 27, false, 950);
    EXPECT_EQ(seen, (Strokes{"down 5", "down 5", "down 5", "up 5", "down 25"}));
    EXPECT_FALSE(keys.hasPendingRelease());
}

TEST(KeyTranslation, AltWithALetterIsTheMenuBarsAndHeldKeysCanBeLetGo) {
    KeyTranslation keys;
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, 41)), Strokes{"menu"});
    EXPECT_EQ(strokes(translate(keys, QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 14)), Strokes{"down 5"});
    // R held before Alt went down: its release with Alt is still R's.
    translate(keys, QEvent::KeyPress, Qt::Key_R, {}, 27);
    translate(keys, QEvent::KeyRelease, Qt::Key_R, Qt::AltModifier, 27);
    EXPECT_EQ(strokes({*keys.takePendingRelease()}), Strokes{"up 25"});

    const auto held = keys.releaseAll();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(shortcutKeyId(held.front()), KeyId{5});
    EXPECT_TRUE(keys.releaseAll().empty());
}

} // namespace
} // namespace kez::ombrel
