#pragma once
// The vocabulary of the face's layout: face sizes, geometry in client pixels, and the picture controls.
#include <cstdint>
#include <string_view>

#include "ombrel/phone_keys.h"

namespace kez::ombrel::face {

enum class FaceSize { Large, Small };

// The "Type" setting picks the face: 1 the large one, every other value the small one.
constexpr FaceSize faceSizeFromType(int uiType) { return uiType == 1 ? FaceSize::Large : FaceSize::Small; }

// Whole pixels of the face's client area, origin top left, y down.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; } // one past the last column
    int bottom() const { return y + height; }
    bool intersects(const Rect& other) const {
        return x < other.right() && other.x < right() && y < other.bottom() && other.y < bottom();
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Every placed control of the face. The first eleven are picture families, each an up/down pair
// (key at rest / pressed, LED unlit / lit) except the logo, which is one picture.
enum class Control {
    DTMF,         // dial pad, index = KeyId (0-9, 14, 15)
    LBUTTONS,     // line-appearance keys 0-11
    LBUTTON,      // their LEDs 0-11
    FButton,      // feature keys 0-5 (#6 down to #1)
    FIXED,        // Program, Forward, Messages, Handsfree, Mute, Volume up, Volume down
    Program,      // LED of Program (single)
    ChkFixed,     // LEDs of Forward, Messages, Handsfree, Mute
    BFBUTTON,     // Speaker, Redial, Conference, Transfer, Hold
    ChkSpeaker,   // LED of Speaker (single)
    DISPLAY,      // soft keys 1-3, scroll up, scroll down
    KEZLogo,      // the logo (single, no pressed picture)
    LineLabels,   // label boxes 0-17
    DummyTextbox, // the hidden focus holder
};

enum class Side { Up, Down }; // Up: key at rest or LED unlit; Down: key pressed or LED lit

// One picture control: a family, which of its pair, and its index (0 for a single picture).
struct PictureRef {
    Control family = Control::DTMF;
    Side side = Side::Up;
    int index = 0;
    friend bool operator==(const PictureRef&, const PictureRef&) = default;
};

bool isPictureFamily(Control control);
bool isSingle(Control family);
bool isLed(Control family);
// The control's name on the face ("imgDTMFup", "imgChkFixeddn", "imgKEZLogo", "txtLineLabels").
std::string_view controlName(Control control, Side side = Side::Up);

} // namespace kez::ombrel::face
