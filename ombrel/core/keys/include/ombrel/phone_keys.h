#pragma once
// The keys of the set: their numbers (the same in both phone forms, in the controller, in the engine's
// ButtonDown and on the wire), their classes, what each does beyond reaching the engine, where each sits on the
// forms, their LED states and the blink rule. One table, read by both forms, the controller and the face's
// layout; no other place decides a key by its number.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kez::ombrel {

// The number of one key: 0-9 and 14, 15 the dial pad, 16-32 the fixed keys, 49-54 and 65-76 the labelled ones.
using KeyId = std::int16_t;

// Key classes; the controller lets presses of each class through by its own key-control flags.
enum class ButtonType : std::int32_t { DialPad = 0, FixedFeature = 1, Programmable = 2 };

// What a key does besides being sent: the few keys the set handles itself.
enum class KeyRole : std::uint8_t {
    Plain,
    HandsFree, // refused while the audio hardware is shared; its LED follows the call server
    Mute,      // kept local: the call server never hears of it
    Speaker,   // its LED tells whether the audio hardware is in use
    VolumeUp,  // changes the volume instead of being sent
    VolumeDown,
};

// The keys' groups on both forms, in build order; a key's index counts inside its group.
enum class KeyPanel : std::uint8_t {
    DialPad, // index = the key number (0-9, 14, 15)
    Line,    // the line-appearance keys 0-11
    Feature, // the feature keys 0-5 (#6 down to #1)
    Fixed,   // Program, Forward, Messages, Handsfree, Mute, Volume up, Volume down
    Call,    // Speaker, Redial, Conference, Transfer, Hold
    Display, // soft keys 1-3, scroll up, scroll down
};

// The LEDs' groups on both forms.
enum class LedPanel : std::uint8_t {
    None,
    Line,    // 0-11, beside the line keys
    Program, // single
    Fixed,   // Forward, Messages, Handsfree, Mute
    Speaker, // single
};

struct KeyInfo {
    KeyId key;
    ButtonType type;
    KeyRole role;
    KeyPanel panel;
    int index;
    LedPanel led;
    int ledIndex;
    std::string_view caption; // the simple form's caption; empty for the scroll and soft keys
    std::string_view description;
    std::int16_t keyHelpTopic;
    std::int16_t ledHelpTopic;
    char shortcut; // the letter or sign of the PC's keyboard that presses it; 0 for none

    bool hasLed() const { return led != LedPanel::None; }
};

// What an LED shows. Other values are carried as they are and leave the LED as it was.
enum class LEDState : std::int32_t { Off = 0, SlowFlash = 1, FastFlash = 2, On = 3, FromLedMap = 15 };

inline constexpr int kBlinkSteps = 4; // the controller's LED timer counts 0, 1, 2, 3, 0, ...

// Whether an LED in `state` is lit on blink `step`; nothing when the state leaves it unchanged.
std::optional<bool> ledLitForStep(LEDState state, std::int16_t step);

// The 47 keys in the order both forms build them; 18 have an LED.
std::span<const KeyInfo> keyTable();
// Null for a number that names no key (10-13, 33-48, 55-64 and beyond).
const KeyInfo* findKey(KeyId key);
// The key at `index` of `panel`; null for none.
const KeyInfo* keyAt(KeyPanel panel, int index);
// The one key with that role (not Plain).
KeyId keyWithRole(KeyRole role);
// Plain for a number that names no key.
KeyRole keyRole(KeyId key);
// The key a letter (upper case) or sign of the keyboard presses; nothing for others.
std::optional<KeyId> keyOfShortcut(char shortcut);

// A key's tag and collection key: its number in decimal, without blanks ("65").
std::string keyTag(KeyId key);

} // namespace kez::ombrel
