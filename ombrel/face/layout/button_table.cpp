#include "layout/button_table.h"

#include <array>
#include <string>

namespace kez::ombrel::face {
namespace {

constexpr auto Dial = ButtonType::DialPad;
constexpr auto Fixed = ButtonType::FixedFeature;
constexpr auto Prog = ButtonType::Programmable;
using C = Control;
constexpr std::optional<Control> None;
constexpr std::optional<int> NoBox;

// clang-format off
constexpr std::array<ButtonRow, 47> kRows{{
    // key type   key pictures       LED pictures     label  description                      topics
    {0,  Dial,  C::DTMF, 0,          None, 0,         NoBox, "0 - oper",                       0, 0},
    {1,  Dial,  C::DTMF, 1,          None, 0,         NoBox, "1",                              0, 0},
    {2,  Dial,  C::DTMF, 2,          None, 0,         NoBox, "2 - abc",                        0, 0},
    {3,  Dial,  C::DTMF, 3,          None, 0,         NoBox, "3 - def",                        0, 0},
    {4,  Dial,  C::DTMF, 4,          None, 0,         NoBox, "4 - ghi",                        0, 0},
    {5,  Dial,  C::DTMF, 5,          None, 0,         NoBox, "5 - jkl",                        0, 0},
    {6,  Dial,  C::DTMF, 6,          None, 0,         NoBox, "6 - mno",                        0, 0},
    {7,  Dial,  C::DTMF, 7,          None, 0,         NoBox, "7 - pqrs",                       0, 0},
    {8,  Dial,  C::DTMF, 8,          None, 0,         NoBox, "8 - tuv",                        0, 0},
    {9,  Dial,  C::DTMF, 9,          None, 0,         NoBox, "9 - wxyz",                       0, 0},
    {14, Dial,  C::DTMF, 14,         None, 0,         NoBox, "Star key",                       0, 0},
    {15, Dial,  C::DTMF, 15,         None, 0,         NoBox, "Hash key",                       0, 0},
    {65, Prog,  C::LBUTTONS, 0,      C::LBUTTON, 0,   0,     "System Appearance #1",           27, 28},
    {66, Prog,  C::LBUTTONS, 1,      C::LBUTTON, 1,   1,     "System Appearance #2",           35, 36},
    {67, Prog,  C::LBUTTONS, 2,      C::LBUTTON, 2,   2,     "System Appearance #3",           37, 38},
    {68, Prog,  C::LBUTTONS, 3,      C::LBUTTON, 3,   3,     "System Appearance #4",           39, 40},
    {69, Prog,  C::LBUTTONS, 4,      C::LBUTTON, 4,   4,     "System Appearance #5",           41, 42},
    {70, Prog,  C::LBUTTONS, 5,      C::LBUTTON, 5,   5,     "System Appearance #6",           43, 44},
    {71, Prog,  C::LBUTTONS, 6,      C::LBUTTON, 6,   6,     "System Appearance #7",           45, 46},
    {72, Prog,  C::LBUTTONS, 7,      C::LBUTTON, 7,   7,     "System Appearance #8",           47, 48},
    {73, Prog,  C::LBUTTONS, 8,      C::LBUTTON, 8,   8,     "System Appearance #9",           49, 50},
    {74, Prog,  C::LBUTTONS, 9,      C::LBUTTON, 9,   9,     "System Appearance #10",          29, 30},
    {75, Prog,  C::LBUTTONS, 10,     C::LBUTTON, 10,  10,    "System Appearance #11",          31, 32},
    {76, Prog,  C::LBUTTONS, 11,     C::LBUTTON, 11,  11,    "System Appearance #12",          33, 34},
    {49, Prog,  C::FButton, 0,       None, 0,         12,    "Feature button #6",              9, 0},
    {50, Prog,  C::FButton, 1,       None, 0,         13,    "Feature button #5",              8, 0},
    {51, Prog,  C::FButton, 2,       None, 0,         14,    "Feature button #4",              7, 0},
    {52, Prog,  C::FButton, 3,       None, 0,         15,    "Feature button #3",              6, 0},
    {53, Prog,  C::FButton, 4,       None, 0,         16,    "Feature button #2",              5, 0},
    {54, Prog,  C::FButton, 5,       None, 0,         17,    "Feature button #1",              4, 0},
    {16, Fixed, C::FIXED, 0,         C::Program, 0,   NoBox, "Program button",                 57, 56},
    {32, Fixed, C::FIXED, 1,         C::ChkFixed, 0,  NoBox, "Forward to voicemail button",    10, 11},
    {31, Fixed, C::FIXED, 2,         C::ChkFixed, 1,  NoBox, "Retrieve messages button",       52, 53},
    {17, Fixed, C::FIXED, 3,         C::ChkFixed, 2,  NoBox, "Handsfree",                      12, 13},
    {21, Fixed, C::FIXED, 4,         C::ChkFixed, 3,  NoBox, "Mute button",                    54, 55},
    {23, Fixed, C::FIXED, 5,         None, 0,         NoBox, "Volume Up Button",               68, 0},
    {24, Fixed, C::FIXED, 6,         None, 0,         NoBox, "Volume Down Button",             67, 0},
    {22, Fixed, C::BFBUTTON, 0,      C::ChkSpeaker, 0, NoBox, "Speaker button",                64, 65},
    {25, Fixed, C::BFBUTTON, 1,      None, 0,         NoBox, "Redial button",                  58, 0},
    {20, Fixed, C::BFBUTTON, 2,      None, 0,         NoBox, "Conference button",              1, 0},
    {19, Fixed, C::BFBUTTON, 3,      None, 0,         NoBox, "Transfer button",                66, 0},
    {18, Fixed, C::BFBUTTON, 4,      None, 0,         NoBox, "Hold button",                    14, 0},
    {28, Fixed, C::DISPLAY, 0,       None, 0,         NoBox, "Soft button 1",                  61, 0},
    {29, Fixed, C::DISPLAY, 1,       None, 0,         NoBox, "Soft button 2",                  62, 0},
    {30, Fixed, C::DISPLAY, 2,       None, 0,         NoBox, "Soft button 3",                  63, 0},
    {26, Fixed, C::DISPLAY, 3,       None, 0,         NoBox, "Scroll Up",                      60, 0},
    {27, Fixed, C::DISPLAY, 4,       None, 0,         NoBox, "Scroll Down",                    59, 0},
}};
// clang-format on

} // namespace

std::span<const ButtonRow> buttonRows() { return kRows; }

std::string keyText(KeyId key) { return std::to_string(key); }

} // namespace kez::ombrel::face
