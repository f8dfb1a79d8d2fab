#include "ombrel/phone_keys.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "kez/vb/conversions.h"

namespace kez::ombrel {
namespace {

constexpr auto D = ButtonType::DialPad;
constexpr auto F = ButtonType::FixedFeature;
constexpr auto P = ButtonType::Programmable;

constexpr std::array<KeyInfo, 47> kKeys{{
    {0, D, "&0", "0 - oper", false},
    {1, D, "&1", "1", false},
    {2, D, "&2", "2 - abc", false},
    {3, D, "&3", "3 - def", false},
    {4, D, "&4", "4 - ghi", false},
    {5, D, "&5", "5 - jkl", false},
    {6, D, "&6", "6 - mno", false},
    {7, D, "&7", "7 - pqrs", false},
    {8, D, "&8", "8 - tuv", false},
    {9, D, "&9", "9 - wxyz", false},
    {14, D, "&*", "Star key", false},
    {15, D, "&#", "Hash key", false},
    {16, F, "Prog", "Program button", true},
    {17, F, "Hands Free", "Handsfree", true},
    {18, F, "Hold", "Hold button", false},
    {19, F, "Transfer", "Transfer button", false},
    {20, F, "Conf.", "Conference button", false},
    {21, F, "Mute", "Mute button", true},
    {22, F, "Speaker", "Speaker button", true},
    {23, F, "Vol. Up", "Volume Up Button", false},
    {24, F, "Vol. Down", "Volume Down Button", false},
    {25, F, "Redial", "Redial button", false},
    {26, F, "", "Scroll Up", false},
    {27, F, "", "Scroll Down", false},
    {28, F, "", "Soft button 1", false},
    {29, F, "", "Soft button 2", false},
    {30, F, "", "Soft button 3", false},
    {31, F, "MSG", "Retrieve messages button", true},
    {32, F, "FWD Mail", "Forward to voicemail button", true},
    // The feature keys count down: key 49 is #6.
    {49, P, "F1", "Feature button #6", false},
    {50, P, "F2", "Feature button #5", false},
    {51, P, "F3", "Feature button #4", false},
    {52, P, "F4", "Feature button #3", false},
    {53, P, "F5", "Feature button #2", false},
    {54, P, "F6", "Feature button #1", false},
    {65, P, "L1", "System Appearance #1", true},
    {66, P, "L2", "System Appearance #2", true},
    {67, P, "L3", "System Appearance #3", true},
    {68, P, "L4", "System Appearance #4", true},
    {69, P, "L5", "System Appearance #5", true},
    {70, P, "L6", "System Appearance #6", true},
    {71, P, "L7", "System Appearance #7", true},
    {72, P, "L8", "System Appearance #8", true},
    {73, P, "L9", "System Appearance #9", true},
    {74, P, "L10", "System Appearance #10", true},
    {75, P, "L11", "System Appearance #11", true},
    {76, P, "L12", "System Appearance #12", true},
}};

} // namespace

std::optional<bool> ledLitForStep(LEDState state, std::int16_t step) {
    switch (state) {
    case LEDState::Off:
    case LEDState::FromLedMap: return false;
    case LEDState::SlowFlash: return step == 0 || step == 1;
    case LEDState::FastFlash: return step == 0 || step == 2;
    case LEDState::On: return true;
    }
    return std::nullopt;
}

std::span<const KeyInfo> keyTable() { return kKeys; }

const KeyInfo* findKey(KeyId key) {
    const auto found = std::ranges::find(kKeys, key, &KeyInfo::key);
    return found == kKeys.end() ? nullptr : &*found;
}

std::string keyTag(KeyId key) { return vb::decimalText(key); }

std::optional<KeyId> keyFromTag(std::string_view tag) {
    const auto first = tag.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    tag = tag.substr(first, tag.find_last_not_of(' ') - first + 1);
    KeyId key = 0;
    const auto [end, error] = std::from_chars(tag.data(), tag.data() + tag.size(), key);
    if (error != std::errc{} || end != tag.data() + tag.size()) return std::nullopt;
    return key;
}

} // namespace kez::ombrel
