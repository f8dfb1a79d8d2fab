#include "layout/picture_sizes.h"

namespace kez::ombrel::face {
namespace {

struct SizePair {
    Size large;
    Size small;
    Size of(FaceSize size) const { return size == FaceSize::Large ? large : small; }
};

constexpr SizePair kDial{{26, 26}, {20, 20}};
constexpr SizePair kLineKey{{16, 16}, {12, 12}};
constexpr SizePair kLed{{4, 4}, {3, 3}};
constexpr SizePair kFeature{{29, 18}, {22, 14}};
constexpr SizePair kSoft{{29, 19}, {22, 14}};
constexpr SizePair kScroll{{30, 19}, {22, 14}};
constexpr SizePair kProgram{{30, 19}, {22, 14}};
constexpr SizePair kForward{{30, 20}, {22, 15}};
constexpr SizePair kMessages{{27, 25}, {20, 19}};
constexpr SizePair kSmallFixed{{26, 16}, {20, 12}}; // Handsfree, Mute, Volume up and down
constexpr SizePair kBottomRow{{26, 34}, {20, 26}};
constexpr SizePair kLogo{{33, 25}, {25, 19}};
constexpr SizePair kBackground{{590, 534}, {443, 401}};

SizePair fixedKey(int index) {
    switch (index) {
    case 0: return kProgram;
    case 1: return kForward;
    case 2: return kMessages;
    default: return kSmallFixed;
    }
}

SizePair pictureSizes(Control family, int index) {
    switch (family) {
    case Control::DTMF: return kDial;
    case Control::LBUTTONS: return kLineKey;
    case Control::FButton: return kFeature;
    case Control::FIXED: return fixedKey(index);
    case Control::BFBUTTON: return kBottomRow;
    case Control::DISPLAY: return index < 3 ? kSoft : kScroll;
    case Control::KEZLogo: return kLogo;
    case Control::LBUTTON:
    case Control::Program:
    case Control::ChkFixed:
    case Control::ChkSpeaker: return kLed;
    case Control::LineLabels:
    case Control::DummyTextbox: break;
    }
    return {};
}

} // namespace

Size pictureSize(FaceSize size, Control family, int index) { return pictureSizes(family, index).of(size); }

Size backgroundSize(FaceSize size) { return kBackground.of(size); }

} // namespace kez::ombrel::face
