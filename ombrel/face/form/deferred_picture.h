#pragma once
// A picture decoded when it is first drawn. The face starts with its built-in pictures and replaces them
// with its folder's files before the window shows: a built-in picture is decoded only where a file failed.
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace kez::ombrel {

// The picture in the file, read as the format its name gives and else by its content; null when it holds none.
QImage readPicture(const QString& file);
// Its size, from its header; that of a null picture when it holds none.
QSize pictureSize(const QString& file);

class DeferredPicture {
public:
    DeferredPicture() = default;
    DeferredPicture(const QPixmap& pixmap) : pixmap_(pixmap) {} // NOLINT: a decoded picture is one too

    // The picture in the file (a resource path too); its size is read from its header now.
    static DeferredPicture fromFile(const QString& file);

    const QPixmap& pixmap() const;
    // The size the decoded picture has; that of a null picture for a file that holds none.
    QSize size() const { return pending_.isEmpty() ? pixmap_.size() : size_; }

private:
    mutable QPixmap pixmap_;
    mutable QString pending_; // the file still to decode
    QSize size_;
};

} // namespace kez::ombrel
