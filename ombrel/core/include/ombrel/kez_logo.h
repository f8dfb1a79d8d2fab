#pragma once
// The KEZ logo of the simple form and the About dialog, drawn rather than loaded.
#include <QPixmap>

namespace kez::ombrel {

// `height` pixels high, twice as wide.
QPixmap kezLogo(int height);

} // namespace kez::ombrel
