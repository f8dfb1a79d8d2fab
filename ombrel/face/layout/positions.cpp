#include "layout/positions.h"

#include <array>

namespace kez::ombrel::face {
namespace {

struct Placement {
    Control control;
    int index;
    Point large;
    Point small;
};
using C = Control;

// One row per pair: a key's pressed picture lies exactly over its picture at rest, a lit LED over the unlit one.
// The odd pixel here and there (the small dial pad's lower rows, the label boxes) belongs to the bitmaps.
// clang-format off
constexpr std::array<Placement, 85> kPlacements{{
    {C::DTMF, 1, {252, 216}, {188, 160}},
    {C::DTMF, 2, {290, 216}, {216, 160}},
    {C::DTMF, 3, {326, 216}, {244, 160}},
    {C::DTMF, 4, {252, 252}, {188, 188}},
    {C::DTMF, 5, {290, 252}, {216, 188}},
    {C::DTMF, 6, {326, 252}, {244, 188}},
    {C::DTMF, 7, {252, 288}, {187, 216}},
    {C::DTMF, 8, {290, 288}, {215, 216}},
    {C::DTMF, 9, {326, 288}, {244, 216}},
    {C::DTMF, 14, {252, 324}, {187, 242}},
    {C::DTMF, 0, {290, 324}, {215, 242}},
    {C::DTMF, 15, {326, 324}, {244, 242}},
    {C::LBUTTONS, 0, {494, 394}, {370, 296}},
    {C::LBUTTONS, 1, {494, 368}, {370, 276}},
    {C::LBUTTONS, 2, {494, 342}, {370, 256}},
    {C::LBUTTONS, 3, {494, 314}, {370, 236}},
    {C::LBUTTONS, 4, {494, 288}, {370, 216}},
    {C::LBUTTONS, 5, {494, 262}, {372, 196}},
    {C::LBUTTONS, 6, {494, 234}, {372, 176}},
    {C::LBUTTONS, 7, {494, 208}, {372, 156}},
    {C::LBUTTONS, 8, {496, 182}, {372, 136}},
    {C::LBUTTONS, 9, {496, 154}, {372, 116}},
    {C::LBUTTONS, 10, {496, 126}, {372, 94}},
    {C::LBUTTONS, 11, {496, 100}, {372, 74}},
    {C::LBUTTON, 0, {480, 398}, {364, 300}},
    {C::LBUTTON, 1, {480, 372}, {364, 281}},
    {C::LBUTTON, 2, {480, 347}, {364, 262}},
    {C::LBUTTON, 3, {480, 320}, {364, 244}},
    {C::LBUTTON, 4, {480, 294}, {364, 222}},
    {C::LBUTTON, 5, {480, 268}, {364, 202}},
    {C::LBUTTON, 6, {482, 238}, {364, 182}},
    {C::LBUTTON, 7, {482, 212}, {364, 162}},
    {C::LBUTTON, 8, {482, 186}, {364, 142}},
    {C::LBUTTON, 9, {482, 160}, {364, 122}},
    {C::LBUTTON, 10, {482, 132}, {366, 100}},
    {C::LBUTTON, 11, {482, 104}, {366, 80}},
    {C::LineLabels, 0, {516, 398}, {388, 298}},
    {C::LineLabels, 1, {516, 372}, {388, 278}},
    {C::LineLabels, 2, {518, 346}, {388, 258}},
    {C::LineLabels, 3, {518, 320}, {389, 238}},
    {C::LineLabels, 4, {518, 292}, {389, 218}},
    {C::LineLabels, 5, {518, 266}, {389, 199}},
    {C::LineLabels, 6, {518, 238}, {389, 178}},
    {C::LineLabels, 7, {520, 212}, {390, 158}},
    {C::LineLabels, 8, {520, 186}, {390, 138}},
    {C::LineLabels, 9, {520, 158}, {390, 118}},
    {C::LineLabels, 10, {520, 132}, {390, 96}},
    {C::LineLabels, 11, {520, 104}, {390, 76}},
    {C::FButton, 0, {400, 340}, {300, 256}},
    {C::FButton, 1, {400, 314}, {300, 236}},
    {C::FButton, 2, {400, 288}, {300, 216}},
    {C::FButton, 3, {400, 262}, {300, 196}},
    {C::FButton, 4, {400, 234}, {300, 176}},
    {C::FButton, 5, {400, 208}, {300, 154}},
    {C::LineLabels, 12, {440, 346}, {330, 258}},
    {C::LineLabels, 13, {440, 320}, {330, 240}},
    {C::LineLabels, 14, {440, 294}, {330, 220}},
    {C::LineLabels, 15, {440, 268}, {330, 198}},
    {C::LineLabels, 16, {440, 240}, {330, 178}},
    {C::LineLabels, 17, {440, 214}, {331, 158}},
    {C::FIXED, 0, {400, 168}, {300, 126}},
    {C::FIXED, 1, {212, 196}, {156, 146}},
    {C::FIXED, 2, {188, 228}, {140, 171}},
    {C::FIXED, 3, {194, 330}, {146, 248}},
    {C::FIXED, 4, {232, 364}, {176, 274}},
    {C::FIXED, 5, {232, 404}, {174, 304}},
    {C::FIXED, 6, {232, 436}, {174, 328}},
    {C::Program, 0, {388, 176}, {294, 134}},
    {C::ChkFixed, 0, {196, 202}, {150, 154}},
    {C::ChkFixed, 1, {174, 240}, {134, 182}},
    {C::ChkFixed, 2, {182, 334}, {138, 254}},
    {C::ChkFixed, 3, {220, 370}, {168, 278}},
    {C::BFBUTTON, 0, {273, 410}, {204, 308}},
    {C::BFBUTTON, 1, {316, 405}, {236, 306}},
    {C::BFBUTTON, 2, {360, 402}, {268, 302}},
    {C::BFBUTTON, 3, {402, 396}, {300, 298}},
    {C::BFBUTTON, 4, {441, 387}, {332, 290}},
    {C::ChkSpeaker, 0, {284, 394}, {215, 299}},
    {C::DISPLAY, 0, {238, 136}, {177, 100}},
    {C::DISPLAY, 1, {288, 136}, {214, 100}},
    {C::DISPLAY, 2, {336, 136}, {250, 100}},
    {C::DISPLAY, 3, {402, 64}, {300, 46}},
    {C::DISPLAY, 4, {400, 94}, {300, 70}},
    {C::KEZLogo, 0, {184, 28}, {138, 20}},
    {C::DummyTextbox, 0, {518, 398}, {388, 300}},
}};
// clang-format on

} // namespace

std::optional<Point> position(FaceSize size, Control control, int index) {
    for (const auto& placement : kPlacements) {
        if (placement.control == control && placement.index == index) {
            return size == FaceSize::Large ? placement.large : placement.small;
        }
    }
    return std::nullopt;
}

std::vector<PlacedControl> placedControls(FaceSize size) {
    std::vector<PlacedControl> placed;
    for (const auto& placement : kPlacements) {
        const Point at = size == FaceSize::Large ? placement.large : placement.small;
        placed.push_back({placement.control, placement.index, at});
    }
    return placed;
}

} // namespace kez::ombrel::face
