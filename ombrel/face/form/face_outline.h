#pragma once
// The phone-shaped window: the outline of the set, moved from canvas to window coordinates once when the face
// loads, and the switch between that shape and the plain rectangular window. Shaped, the window has no frame or
// title bar either, and the picture stays where it was on the screen.
#include <QPoint>
#include <QPolygon>
#include <QRegion>

#include "layout/face_types.h"

class QWidget;

namespace kez::ombrel {

class FaceOutline {
public:
    // The outline of `size` moved by `canvasOffset`, the canvas's place in the window. Starts afresh each time.
    void build(face::FaceSize size, QPoint canvasOffset);
    const QPolygon& points() const { return points_; }

    bool isShaped() const { return shaped_; }
    // Shapes `window` to the outline, or makes it rectangular again, keeping `canvas` in its place on the
    // screen. A region that cannot be made leaves the window rectangular; the next toggle tries again.
    void toggle(QWidget& window, const QWidget& canvas);

private:
    QPolygon points_;
    bool shaped_ = false;
};

} // namespace kez::ombrel
