#include "manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "layout/bitmap_files.h"
#include "layout/outlines.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "layout/window_tables.h"

namespace kez::facegen {
namespace {

using namespace ombrel::face;

QString text(std::string_view value) { return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())); }

QJsonObject rectObject(const Rect& rect) {
    return {{"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
}

QJsonArray pictures(FaceSize size) {
    QJsonArray list;
    for (const auto& load : pictureLoads()) {
        const auto& picture = load.picture;
        const auto at = position(size, picture.family, picture.index);
        const Size extent = pictureSize(size, picture.family, picture.index);
        QJsonObject entry = rectObject({at->x, at->y, extent.width, extent.height});
        entry["family"] = text(controlName(picture.family, picture.side));
        entry["index"] = isSingle(picture.family) ? QJsonValue() : QJsonValue(picture.index);
        entry["side"] = picture.side == Side::Down ? "down" : "up";
        entry["file"] = QString::fromStdString(load.file);
        list.append(entry);
    }
    return list;
}

QJsonObject textControls(FaceSize size, int dotsPerInch) {
    const Size box = labelBoxSize(size, dotsPerInch);
    QJsonArray boxes;
    for (int index = 0; index < 18; ++index) {
        const auto at = position(size, Control::LineLabels, index);
        boxes.append(rectObject({at->x, at->y, box.width, box.height}));
    }
    const auto lines = displayLines(size, dotsPerInch);
    return {{"labelBoxes", boxes}, {"displayLines", QJsonArray{rectObject(lines.line1), rectObject(lines.line2)}}};
}

QJsonObject face(FaceSize size) {
    QJsonArray points;
    for (const auto& point : outline(size))
        points.append(QJsonArray{point.x, point.y});
    const Size background = backgroundSize(size);
    return {
        {"folder", text(bitmapFolder(size))},
        {"background", text(backgroundFile(size))},
        {"redLcd", text(redLcdFile(size))},
        {"width", background.width},
        {"height", background.height},
        {"lcdGlass", rectObject(lcdGlass(size))},
        {"outline", points},
        {"pictures", pictures(size)},
        {"dpi96", textControls(size, 96)},
        {"dpi120", textControls(size, 120)},
    };
}

} // namespace

QByteArray faceManifest() {
    const QJsonObject root{{"large", face(FaceSize::Large)}, {"small", face(FaceSize::Small)}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace kez::facegen
