#pragma once
// The whole face of one size, drawn from the layout tables: the set's body on its surround and shadow, the
// handset, the display, the label strips and names, and every key and LED.
#include <QImage>

#include "layout/face_types.h"

namespace kez::facegen {

enum class FaceState {
    Rest,   // keys up, LEDs dark: the background and every picture at rest are cut from it
    Active, // keys pressed, LEDs lit: every pressed or lit picture is cut from it
    RedLcd, // at rest with the display red: the background's red twin
};

QImage renderFace(ombrel::face::FaceSize size, FaceState state);

} // namespace kez::facegen
