#pragma once
// The manifest of the generated faces (JSON), for tests and tools: per face its folder, background pair,
// display glass, outline, every picture control (family, index, file, position, size), the label boxes and
// the display lines at 96 and 120 pixels per inch.
#include <QByteArray>

namespace kez::facegen {

QByteArray faceManifest();

} // namespace kez::facegen
