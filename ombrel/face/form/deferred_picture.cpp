#include "form/deferred_picture.h"

#include <QFileInfo>
#include <QImageReader>

namespace kez::ombrel {
namespace {

// A reader for the format the file's name gives, and only that: left to find the format itself, a reader first
// loads the library of every image plugin to ask whether the file is one of theirs.
void readByName(QImageReader& reader, const QString& file) {
    reader.setFileName(file);
    reader.setFormat(QFileInfo(file).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
}

} // namespace

QImage readPicture(const QString& file) {
    QImageReader reader;
    readByName(reader, file);
    reader.setAutoTransform(false);
    if (QImage image = reader.read(); !image.isNull()) return image;
    // Not what its name says: read by its content.
    QImageReader byContent(file);
    byContent.setAutoTransform(false);
    return byContent.read();
}

QSize pictureSize(const QString& file) {
    QImageReader reader;
    readByName(reader, file);
    if (const QSize size = reader.size(); size.isValid()) return size;
    const QSize size = QImageReader(file).size();
    return size.isValid() ? size : QPixmap().size();
}

DeferredPicture DeferredPicture::fromFile(const QString& file) {
    DeferredPicture picture;
    picture.pending_ = file;
    picture.size_ = pictureSize(file);
    return picture;
}

const QPixmap& DeferredPicture::pixmap() const {
    if (!pending_.isEmpty()) {
        pixmap_ = QPixmap::fromImage(readPicture(pending_));
        pending_.clear();
    }
    return pixmap_;
}

} // namespace kez::ombrel
