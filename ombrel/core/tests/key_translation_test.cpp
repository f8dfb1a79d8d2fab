// Qt's key events as the phone forms read them: the shortcut table through the Windows key codes, the pairing of
// a release with its press, X's auto-repeat, and Alt for the menu bar.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include <optional>
#include <vector>

#include "ombrel/key_translation.h"

namespace kez::ombrel {
namespace {

using Kind = KeyStroke::Kind;

QKeyEvent keyEvent(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                   std::uint32_t scanCode = 0, bool autoRepeat = false) {
    return QKeyEvent(type, key, modifiers, scanCode, 0, 0, QString(), autoRepeat);
}

std::optional<KeyId> pressed(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return shortcutKeyId(windowsKey(keyEvent(QEvent::KeyPress, key, modifiers)));
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

TEST(KeyTranslation, AReleasePairsWithItsPressByScanCode) {
    KeyTranslation keys;
    // Shift+8 pressed, Shift let go first: the release is still star's.
    const KeyStroke down = keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_Asterisk, Qt::ShiftModifier, 17));
    const KeyStroke up = keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_8, Qt::NoModifier, 17));
    EXPECT_EQ(down.kind, Kind::Down);
    EXPECT_EQ(up.kind, Kind::Up);
    EXPECT_EQ(shortcutKeyId(up.key), KeyId{14});
    // A release or repeat whose press was not seen here (it went to a pop-up menu) is nobody's.
    EXPECT_EQ(keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_8, {}, 17)).kind, Kind::Swallow);
    EXPECT_EQ(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_Escape, {}, 9, true)).kind, Kind::Swallow);
    EXPECT_EQ(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_Escape, {}, 9)).kind, Kind::Down);
    // Without scan codes (synthetic events) each event stands on its own.
    keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_Asterisk, Qt::ShiftModifier));
    EXPECT_EQ(shortcutKeyId(keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_8)).key), KeyId{8});
}

TEST(KeyTranslation, AutoRepeatKeepsThePressesAndDropsTheReleases) {
    KeyTranslation keys;
    std::vector<Kind> kinds;
    kinds.push_back(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_5, {}, 14)).kind);
    for (int repeat = 0; repeat < 3; ++repeat) {
        kinds.push_back(keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_5, {}, 14, true)).kind);
        kinds.push_back(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_5, {}, 14, true)).kind);
    }
    kinds.push_back(keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_5, {}, 14)).kind);
    EXPECT_EQ(kinds, (std::vector{Kind::Down, Kind::Swallow, Kind::Down, Kind::Swallow, Kind::Down, Kind::Swallow,
                                  Kind::Down, Kind::Up}));
}

TEST(KeyTranslation, AltWithALetterIsTheMenuBarsAndHeldKeysCanBeLetGo) {
    KeyTranslation keys;
    EXPECT_EQ(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, 41)).kind, Kind::MenuBar);
    EXPECT_EQ(keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 14)).kind, Kind::Down);
    // R held before Alt went down: its release with Alt is still R's.
    keys.translate(keyEvent(QEvent::KeyPress, Qt::Key_R, {}, 27));
    const KeyStroke up = keys.translate(keyEvent(QEvent::KeyRelease, Qt::Key_R, Qt::AltModifier, 27));
    EXPECT_EQ(up.kind, Kind::Up);
    EXPECT_EQ(shortcutKeyId(up.key), KeyId{25});

    const auto held = keys.releaseAll();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(shortcutKeyId(held.front()), KeyId{5});
    EXPECT_TRUE(keys.releaseAll().empty());
}

} // namespace
} // namespace kez::ombrel
