#include "form/deferred_picture.h"

#include <QImageReader>

namespace kez::ombrel {

DeferredPicture DeferredPicture::fromFile(const QString& file) {
    DeferredPicture picture;
    const QSize size = QImageReader(file).size();
    picture.pending_ = file;
    picture.size_ = size.isValid() ? size : QPixmap().size();
    return picture;
}

const QPixmap& DeferredPicture::pixmap() const {
    if (!pending_.isEmpty()) {
        pixmap_ = QPixmap(pending_);
        pending_.clear();
    }
    return pixmap_;
}

} // namespace kez::ombrel
