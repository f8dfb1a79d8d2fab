#pragma once
// The shape of the window and its text controls per face size and screen density: the window's outer size,
// the label boxes and the two display lines. A density of exactly 120 pixels per inch has rows of its own;
// every other density takes the "not 120" rows.
#include <optional>
#include <string_view>

#include "layout/face_types.h"

namespace kez::ombrel::face {

constexpr bool isLargeFontsDensity(int dotsPerInch) { return dotsPerInch == 120; }

Size windowTwips(FaceSize size, int dotsPerInch);

// The label boxes as built are 375 x 195 twips, in pixels at the density; 120 rows replace some of it.
// Fractional pixels round to the nearest whole one (16.25 becomes 16).
Size labelBoxSize(FaceSize size, int dotsPerInch);

struct DisplayFont {
    std::string_view family; // the name the face asks for ("MS Sans Serif", "Arial", "Small Fonts")
    int points;
};
struct DisplayLines {
    Rect line1;
    Rect line2;                      // same left edge and size as line 1
    std::optional<DisplayFont> font; // nullopt: the built-in "MS Sans Serif" 8.25 points bold stays
};
DisplayLines displayLines(FaceSize size, int dotsPerInch);

// The display glass drawn on the background, which the red twin colours: it holds both display lines at
// every density but the 120 row's wide line on the large face, which runs on past it.
Rect lcdGlass(FaceSize size);

} // namespace kez::ombrel::face
