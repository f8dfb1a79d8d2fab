#pragma once
// The keyboard of both phone forms: Qt's key events as the Windows key codes and Shift bit that the forms'
// shortcut tables are written in, and that table itself.
//
// Every key event of a phone form is consumed except Alt with a letter, which is left to the menu bar for its
// mnemonics. A release is paired with its press by the key's native scan code, so a key pressed with Shift
// and released without it (or the reverse) releases what it pressed. X repeats a held key as release and press
// pairs of one time stamp, not always marked as repeats by the time the release is read: a release is therefore
// held back until the form takes it (kRepeatWindowMs later) or a press of another time comes; a press of the
// same key and time cancels it. So a held key gives one press per repeat and one release. A key whose press went
// elsewhere (a pop-up menu, a label box being edited) gives nothing when it repeats or comes up here.
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "ombrel/phone_keys.h"

class QKeyEvent;

namespace kez::ombrel {

// The Shift bit of a shift state.
inline constexpr std::int16_t kShiftMask = 1;

struct WindowsKey {
    std::int16_t keyCode = 0; // a Windows virtual-key code; 0 for a key that has none here
    std::int16_t shift = 0;   // kShiftMask when Shift was held
    bool operator==(const WindowsKey&) const = default;
};

// The key of the set a key of the PC's keyboard presses, by the phone forms' shortcut table; nothing for a
// key outside it. Only the digits of the main keyboard look at Shift.
std::optional<KeyId> shortcutKeyId(WindowsKey key);

// The Windows key of a Qt key event, by itself. Keypad keys have their own codes. A digit's shifted sign
// ("*", "#", "%" and the others of a US keyboard) is that digit with Shift, whatever layout typed it, so "*" and
// "#" press star and hash on every keyboard.
WindowsKey windowsKey(const QKeyEvent& event);

struct KeyStroke {
    enum class Kind {
        Down,    // a key went down, or repeats while held
        Up,      // a key came up
        MenuBar, // Alt with a letter: not the form's
    };
    Kind kind = Kind::Down;
    WindowsKey key;
};

// How long a release waits for the press of a repeat.
inline constexpr int kRepeatWindowMs = 200;

class KeyTranslation {
public:
    // What a key press or release of the form means, in order: nothing (a repeat's release, or a release held
    // back), one stroke, or a held-back release before this event's stroke.
    std::vector<KeyStroke> translate(const QKeyEvent& event);
    bool hasPendingRelease() const { return pending_.has_value(); }
    // The release held back, now that no repeat followed it.
    std::optional<KeyStroke> takePendingRelease();
    // The keys still held, each once, and forgotten: a form that loses the keyboard releases them.
    std::vector<WindowsKey> releaseAll();

private:
    struct Pending {
        std::uint32_t scanCode;
        std::uint64_t time;
    };

    // A release or repeat whose press was not seen here; the last such release, whose repeat may follow.
    bool foreignKey(const QKeyEvent& event, bool press);

    std::unordered_map<std::uint32_t, WindowsKey> held_; // by native scan code
    std::optional<Pending> pending_;
    std::optional<Pending> foreign_;
};

} // namespace kez::ombrel
