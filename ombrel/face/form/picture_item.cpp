#include "form/picture_item.h"

#include "form/face_canvas.h"

namespace kez::ombrel {

void PictureItem::setPixmap(const DeferredPicture& pixmap) {
    const QRect before = rect();
    pixmap_ = pixmap;
    update(before.united(rect()));
}

void PictureItem::move(QPoint topLeft) {
    const QRect before = rect();
    pos_ = topLeft;
    update(before.united(rect()));
}

void PictureItem::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    update(rect());
}

void PictureItem::repaint() { canvas_.repaint(rect()); }

void PictureItem::update(const QRect& area) { canvas_.update(area); }

} // namespace kez::ombrel
