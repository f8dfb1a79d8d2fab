#include "form/face_outline.h"

#include <QWidget>

#include "layout/outlines.h"

namespace kez::ombrel {

void FaceOutline::build(face::FaceSize size, QPoint canvasOffset) {
    points_.clear();
    for (const face::Point& point : face::outline(size))
        points_.append(QPoint(point.x, point.y) + canvasOffset);
}

void FaceOutline::toggle(QWidget& window, const QWidget& canvas) {
    const QRegion region = shaped_ ? QRegion() : QRegion(points_, Qt::WindingFill);
    shaped_ = !region.isEmpty();
    const bool visible = window.isVisible();
    // Where the window must stand for the canvas to keep its place on the screen.
    const QRect place(canvas.mapToGlobal(QPoint(0, 0)) - canvas.pos(), window.size());
    // The window manager's frame and title bar go with the shape; changing the hint hides the window.
    window.setWindowFlag(Qt::FramelessWindowHint, shaped_);
    if (visible) {
        window.setGeometry(place);
        window.show();
    }
    // Given to the window as it now shows, so that the X server's shape follows.
    if (shaped_) {
        window.setMask(region);
    } else {
        window.clearMask();
    }
}

} // namespace kez::ombrel
