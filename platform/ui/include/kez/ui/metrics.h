#pragma once
// Screen measures and fonts as the windows' layouts count them.
namespace kez::ui {

namespace Metrics {
// Horizontal pixels per logical inch of the primary screen (96 when there is none).
int logicalDpiX();
// Twips (1/1440 inch) per pixel at that density: 15 at 96, 12 at 120.
int twipsPerPixel();
} // namespace Metrics

// Before the application object is made: the windows are laid out in pixels at the logical density, so Qt's
// own scaling is off; `defaultPlatform` is used unless QT_QPA_PLATFORM names one.
void setQtEnvironment(const char* defaultPlatform);

// Maps the font families the windows were laid out with to installed ones of the same metrics
// ("MS Sans Serif", "Arial" -> Liberation Sans, "Courier New" -> Liberation Mono, "Small Fonts" -> DejaVu Sans).
void installFontSubstitutions();

} // namespace kez::ui
