#pragma once
// The keys of the set: their numbers (the same in both phone forms, in the controller, in the engine's
// ButtonDown and on the wire), their classes, their LED states and the blink rule.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kez::ombrel {

// The number of one key: 0-9 and 14, 15 the dial pad, 16-32 the fixed keys, 49-54 and 65-76 the labelled ones.
using KeyId = std::int16_t;

inline constexpr KeyId kKeyHandsFree = 17;
inline constexpr KeyId kKeyMute = 21;
inline constexpr KeyId kKeySpeaker = 22;
inline constexpr KeyId kKeyVolumeUp = 23;
inline constexpr KeyId kKeyVolumeDown = 24;

// Key classes; the controller lets presses of each class through by its own key-control flags.
enum class ButtonType : std::int32_t { DialPad = 0, FixedFeature = 1, Programmable = 2 };

// What an LED shows. Other values are carried as they are and leave the LED as it was.
enum class LEDState : std::int32_t { Off = 0, SlowFlash = 1, FastFlash = 2, On = 3, FromLedMap = 15 };

inline constexpr int kBlinkSteps = 4; // the controller's LED timer counts 0, 1, 2, 3, 0, ...

// Whether an LED in `state` is lit on blink `step`; nothing when the state leaves it unchanged.
std::optional<bool> ledLitForStep(LEDState state, std::int16_t step);

struct KeyInfo {
    KeyId key;
    ButtonType type;
    std::string_view caption; // the simple form's caption; empty for the scroll and soft keys
    std::string_view description;
    bool hasLed;
};

// The 47 keys in key-number order; 18 have an LED.
std::span<const KeyInfo> keyTable();
// Null for a number that names no key (10-13, 33-48, 55-64 and beyond).
const KeyInfo* findKey(KeyId key);

// A key's tag and collection key: its number in decimal, without blanks ("65").
std::string keyTag(KeyId key);
// The key number a tag names, blanks around it allowed; nothing for text that is no number of 16 bits.
std::optional<KeyId> keyFromTag(std::string_view tag);

} // namespace kez::ombrel
