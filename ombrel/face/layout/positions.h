#pragma once
// Where every control of the face sits (Left, Top in client pixels), per face size: 131 pictures,
// 18 label boxes and the hidden focus box, 150 controls in all.
#include <optional>
#include <vector>

#include "layout/face_types.h"

namespace kez::ombrel::face {

// The place of a picture pair (both sides share it), a label box or the focus box; nullopt when the face has
// no such control.
std::optional<Point> position(FaceSize size, Control control, int index);

struct PlacedControl {
    Control control; // a picture family stands for both pictures of its pair
    int index;
    Point at;
};
// Every place of the table, one per pair, label box and focus box (85 entries).
std::vector<PlacedControl> placedControls(FaceSize size);

} // namespace kez::ombrel::face
