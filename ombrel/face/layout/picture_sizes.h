#pragma once
// The pixel size of every picture and of the background, per face size. The large set has the sizes of the
// face's built-in pictures; the small set is drawn at about three quarters of them.
#include "layout/face_types.h"

namespace kez::ombrel::face {

Size pictureSize(FaceSize size, Control family, int index);
Size backgroundSize(FaceSize size);

} // namespace kez::ombrel::face
