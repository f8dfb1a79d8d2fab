#include "bitmap_set.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <stdexcept>

#include "layout/bitmap_files.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"

namespace kez::facegen {
namespace {

using namespace ombrel::face;

QString qtName(std::string_view name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

void makeEmptyFolder(const QString& folder) {
    QDir dir(folder);
    if (dir.exists() && !dir.removeRecursively()) throw std::runtime_error("cannot empty " + folder.toStdString());
    if (!QDir().mkpath(folder)) throw std::runtime_error("cannot make " + folder.toStdString());
}

// 256 colours, with the row ends that the conversion leaves unset cleared: the file carries them.
QImage indexedCopy(const QImage& image) {
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    for (int y = 0; y < indexed.height(); ++y) {
        std::fill(indexed.scanLine(y) + indexed.width(), indexed.scanLine(y) + indexed.bytesPerLine(), uchar{0});
    }
    return indexed;
}

} // namespace

std::map<std::string, QImage> cutPictures(FaceSize size, const FaceRenders& renders) {
    std::map<std::string, QImage> pictures;
    for (const auto& load : pictureLoads()) {
        const auto& picture = load.picture;
        const auto at = position(size, picture.family, picture.index);
        const Size extent = pictureSize(size, picture.family, picture.index);
        const QImage& source = picture.side == Side::Down ? renders.active : renders.rest;
        const QImage cut = source.copy(at->x, at->y, extent.width, extent.height);
        const auto [entry, added] = pictures.emplace(load.file, cut);
        if (!added && entry->second != cut) {
            throw std::runtime_error(load.file + " differs between the places that show it (" +
                                     std::string(controlName(picture.family, picture.side)) + " " +
                                     std::to_string(picture.index) + ")");
        }
    }
    return pictures;
}

void writeBmp(const QImage& image, const QString& path) {
    if (!image.save(path, "BMP")) throw std::runtime_error("cannot write " + path.toStdString());
}

void writeFaceFolder(const QString& folder, FaceSize size, const FaceRenders& renders,
                     const std::map<std::string, QImage>& pictures) {
    makeEmptyFolder(folder);
    writeBmp(renders.rest, folder + '/' + qtName(backgroundFile(size)));
    writeBmp(renders.red, folder + '/' + qtName(redLcdFile(size)));
    for (const auto& [file, image] : pictures)
        writeBmp(image, folder + '/' + qtName(file));
}

void writeBuiltins(const QString& folder, const FaceRenders& renders, const std::map<std::string, QImage>& pictures) {
    makeEmptyFolder(folder);
    const auto write = [&](const QImage& image, const QString& file) {
        writeBmp(indexedCopy(image), folder + '/' + file);
        return "    <file>" + file + "</file>\n";
    };
    QString listing = write(renders.rest, qtName(backgroundFile(FaceSize::Large)));
    for (const auto& [file, image] : pictures)
        listing += write(image, qtName(file));

    QFile resource(folder + "/facebuiltin.qrc");
    if (!resource.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw std::runtime_error("cannot write " + resource.fileName().toStdString());
    }
    const QString text = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/face/builtin\">\n" + listing +
                         "  </qresource>\n</RCC>\n";
    resource.write(text.toUtf8());
}

} // namespace kez::facegen
