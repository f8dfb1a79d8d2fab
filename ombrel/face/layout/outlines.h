#pragma once
// The outline of the telephone set per face size, in client pixels, clockwise from near the top-left corner.
// The shaped window is cut to it and the bitmaps draw the set's body with it.
#include <span>

#include "layout/face_types.h"

namespace kez::ombrel::face {

std::span<const Point> outline(FaceSize size); // 98 points large, 90 small

} // namespace kez::ombrel::face
