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
    const QPoint canvasOnScreen = canvas.mapToGlobal(QPoint(0, 0));
    // The window manager's frame and title bar go with the shape; changing the hint re-creates the window.
    window.setWindowFlag(Qt::FramelessWindowHint, shaped_);
    if (shaped_) {
        window.setMask(region);
    } else {
        window.clearMask();
    }
    if (!visible) return;
    window.show();
    window.setGeometry(QRect(canvasOnScreen - canvas.pos(), window.size()));
}

} // namespace kez::ombrel
