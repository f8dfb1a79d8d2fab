#include "layout/window_tables.h"

#include <cmath>

namespace kez::ombrel::face {
namespace {

constexpr Size kLabelBoxTwips{375, 195};

int twipsToPixels(int twips, int dotsPerInch) { return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0)); }

struct DisplayRow {
    int left;
    int top1;
    int top2;
    Size size;
    std::optional<DisplayFont> font;
};

DisplayRow displayRow(FaceSize size, bool largeFonts) {
    if (size == FaceSize::Large) {
        if (!largeFonts) return {239, 75, 89, {140, 15}, std::nullopt};
        return {238, 74, 88, {160, 15}, DisplayFont{"MS Sans Serif", 8}};
    }
    if (!largeFonts) return {183, 55, 65, {105, 15}, DisplayFont{"Arial", 8}};
    return {185, 56, 66, {103, 10}, DisplayFont{"Small Fonts", 5}};
}

} // namespace

Size windowTwips(FaceSize size, int dotsPerInch) {
    const bool largeFonts = isLargeFontsDensity(dotsPerInch);
    if (size == FaceSize::Large) return largeFonts ? Size{7140, 6900} : Size{8910, 8505};
    return largeFonts ? Size{5376, 5304} : Size{6705, 6540};
}

Size labelBoxSize(FaceSize size, int dotsPerInch) {
    const Size built{twipsToPixels(kLabelBoxTwips.width, dotsPerInch),
                     twipsToPixels(kLabelBoxTwips.height, dotsPerInch)};
    if (!isLargeFontsDensity(dotsPerInch)) return built;
    constexpr int kHeight = 16; // 16.25 pixels
    return size == FaceSize::Large ? Size{31, built.height} : Size{24, kHeight};
}

DisplayLines displayLines(FaceSize size, int dotsPerInch) {
    const auto row = displayRow(size, isLargeFontsDensity(dotsPerInch));
    return {{row.left, row.top1, row.size.width, row.size.height},
            {row.left, row.top2, row.size.width, row.size.height},
            row.font};
}

Rect lcdGlass(FaceSize size) { return size == FaceSize::Large ? Rect{232, 68, 160, 42} : Rect{177, 50, 116, 34}; }

} // namespace kez::ombrel::face
