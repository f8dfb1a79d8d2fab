#include "ombrel/phone_keys.h"

#include <algorithm>
#include <array>

namespace kez::ombrel {
namespace {

constexpr auto D = ButtonType::DialPad;
constexpr auto F = ButtonType::FixedFeature;
constexpr auto P = ButtonType::Programmable;
using R = KeyRole;
using K = KeyPanel;
using L = LedPanel;

// clang-format off
constexpr std::array<KeyInfo, 47> kKeys{{
    // key type role      panel       LED           caption       description                    help    shortcut
    {0,  D, R::Plain,     K::DialPad, 0,  L::None, 0, "&0",        "0 - oper",                    0, 0,   '0'},
    {1,  D, R::Plain,     K::DialPad, 1,  L::None, 0, "&1",        "1",                           0, 0,   '1'},
    {2,  D, R::Plain,     K::DialPad, 2,  L::None, 0, "&2",        "2 - abc",                     0, 0,   '2'},
    {3,  D, R::Plain,     K::DialPad, 3,  L::None, 0, "&3",        "3 - def",                     0, 0,   '3'},
    {4,  D, R::Plain,     K::DialPad, 4,  L::None, 0, "&4",        "4 - ghi",                     0, 0,   '4'},
    {5,  D, R::Plain,     K::DialPad, 5,  L::None, 0, "&5",        "5 - jkl",                     0, 0,   '5'},
    {6,  D, R::Plain,     K::DialPad, 6,  L::None, 0, "&6",        "6 - mno",                     0, 0,   '6'},
    {7,  D, R::Plain,     K::DialPad, 7,  L::None, 0, "&7",        "7 - pqrs",                    0, 0,   '7'},
    {8,  D, R::Plain,     K::DialPad, 8,  L::None, 0, "&8",        "8 - tuv",                     0, 0,   '8'},
    {9,  D, R::Plain,     K::DialPad, 9,  L::None, 0, "&9",        "9 - wxyz",                    0, 0,   '9'},
    {14, D, R::Plain,     K::DialPad, 14, L::None, 0, "&*",        "Star key",                    0, 0,   '*'},
    {15, D, R::Plain,     K::DialPad, 15, L::None, 0, "&#",        "Hash key",                    0, 0,   '#'},
    {65, P, R::Plain,     K::Line,    0,  L::Line, 0,  "L1",       "System Appearance #1",        27, 28, 0},
    {66, P, R::Plain,     K::Line,    1,  L::Line, 1,  "L2",       "System Appearance #2",        35, 36, 0},
    {67, P, R::Plain,     K::Line,    2,  L::Line, 2,  "L3",       "System Appearance #3",        37, 38, 0},
    {68, P, R::Plain,     K::Line,    3,  L::Line, 3,  "L4",       "System Appearance #4",        39, 40, 0},
    {69, P, R::Plain,     K::Line,    4,  L::Line, 4,  "L5",       "System Appearance #5",        41, 42, 0},
    {70, P, R::Plain,     K::Line,    5,  L::Line, 5,  "L6",       "System Appearance #6",        43, 44, 0},
    {71, P, R::Plain,     K::Line,    6,  L::Line, 6,  "L7",       "System Appearance #7",        45, 46, 0},
    {72, P, R::Plain,     K::Line,    7,  L::Line, 7,  "L8",       "System Appearance #8",        47, 48, 0},
    {73, P, R::Plain,     K::Line,    8,  L::Line, 8,  "L9",       "System Appearance #9",        49, 50, 0},
    {74, P, R::Plain,     K::Line,    9,  L::Line, 9,  "L10",      "System Appearance #10",       29, 30, 0},
    {75, P, R::Plain,     K::Line,    10, L::Line, 10, "L11",      "System Appearance #11",       31, 32, 0},
    {76, P, R::Plain,     K::Line,    11, L::Line, 11, "L12",      "System Appearance #12",       33, 34, 0},
    // The feature keys count down: key 49 is #6.
    {49, P, R::Plain,     K::Feature, 0,  L::None, 0, "F1",        "Feature button #6",           9, 0,   0},
    {50, P, R::Plain,     K::Feature, 1,  L::None, 0, "F2",        "Feature button #5",           8, 0,   0},
    {51, P, R::Plain,     K::Feature, 2,  L::None, 0, "F3",        "Feature button #4",           7, 0,   0},
    {52, P, R::Plain,     K::Feature, 3,  L::None, 0, "F4",        "Feature button #3",           6, 0,   0},
    {53, P, R::Plain,     K::Feature, 4,  L::None, 0, "F5",        "Feature button #2",           5, 0,   0},
    {54, P, R::Plain,     K::Feature, 5,  L::None, 0, "F6",        "Feature button #1",           4, 0,   0},
    {16, F, R::Plain,     K::Fixed,   0,  L::Program, 0, "Prog",   "Program button",              57, 56, 'P'},
    {32, F, R::Plain,     K::Fixed,   1,  L::Fixed, 0, "FWD Mail", "Forward to voicemail button", 10, 11, 'F'},
    {31, F, R::Plain,     K::Fixed,   2,  L::Fixed, 1, "MSG",      "Retrieve messages button",    52, 53, 'V'},
    {17, F, R::HandsFree, K::Fixed,   3,  L::Fixed, 2, "Hands Free", "Handsfree",                 12, 13, 'A'},
    {21, F, R::Mute,      K::Fixed,   4,  L::Fixed, 3, "Mute",     "Mute button",                 54, 55, 'M'},
    {23, F, R::VolumeUp,  K::Fixed,   5,  L::None, 0, "Vol. Up",   "Volume Up Button",            68, 0,  0},
    {24, F, R::VolumeDown, K::Fixed,  6,  L::None, 0, "Vol. Down", "Volume Down Button",          67, 0,  0},
    {22, F, R::Speaker,   K::Call,    0,  L::Speaker, 0, "Speaker", "Speaker button",             64, 65, 'S'},
    {25, F, R::Plain,     K::Call,    1,  L::None, 0, "Redial",    "Redial button",               58, 0,  'R'},
    {20, F, R::Plain,     K::Call,    2,  L::None, 0, "Conf.",     "Conference button",           1, 0,   'C'},
    {19, F, R::Plain,     K::Call,    3,  L::None, 0, "Transfer",  "Transfer button",             66, 0,  'T'},
    {18, F, R::Plain,     K::Call,    4,  L::None, 0, "Hold",      "Hold button",                 14, 0,  'H'},
    {28, F, R::Plain,     K::Display, 0,  L::None, 0, "",          "Soft button 1",               61, 0,  0},
    {29, F, R::Plain,     K::Display, 1,  L::None, 0, "",          "Soft button 2",               62, 0,  0},
    {30, F, R::Plain,     K::Display, 2,  L::None, 0, "",          "Soft button 3",               63, 0,  0},
    {26, F, R::Plain,     K::Display, 3,  L::None, 0, "",          "Scroll Up",                   60, 0,  0},
    {27, F, R::Plain,     K::Display, 4,  L::None, 0, "",          "Scroll Down",                 59, 0,  0},
}};
// clang-format on

const KeyInfo* findIf(auto matches) {
    const auto found = std::ranges::find_if(kKeys, matches);
    return found == kKeys.end() ? nullptr : &*found;
}

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
    return findIf([key](const KeyInfo& info) { return info.key == key; });
}

const KeyInfo* keyAt(KeyPanel panel, int index) {
    return findIf([=](const KeyInfo& info) { return info.panel == panel && info.index == index; });
}

KeyId keyWithRole(KeyRole role) {
    return findIf([role](const KeyInfo& info) { return info.role == role; })->key;
}

KeyRole keyRole(KeyId key) {
    const KeyInfo* info = findKey(key);
    return info == nullptr ? KeyRole::Plain : info->role;
}

std::optional<KeyId> keyOfShortcut(char shortcut) {
    if (shortcut == 0) return std::nullopt;
    const KeyInfo* info = findIf([shortcut](const KeyInfo& key) { return key.shortcut == shortcut; });
    if (info == nullptr) return std::nullopt;
    return info->key;
}

std::string keyTag(KeyId key) { return std::to_string(key); }

} // namespace kez::ombrel
