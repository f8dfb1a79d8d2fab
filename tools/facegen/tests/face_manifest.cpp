#include "face_manifest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

namespace kez::facegen::test {
namespace {

Rect rectOf(const QJsonObject& object) {
    return {object["x"].toInt(), object["y"].toInt(), object["width"].toInt(), object["height"].toInt()};
}

} // namespace

std::filesystem::path buildDataFolder() { return std::filesystem::path(KEZ_BINARY_DIR) / "data"; }

std::filesystem::path faceWorkFolder() { return std::filesystem::path(KEZ_BINARY_DIR) / "face"; }

ManifestFace manifestFace(FaceSize size) {
    QFile file(QString::fromStdString((faceWorkFolder() / "face-manifest.json").string()));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no face manifest; build face_bitmaps first");
    const QJsonObject face =
        QJsonDocument::fromJson(file.readAll())[size == FaceSize::Large ? "large" : "small"].toObject();
    ManifestFace result{buildDataFolder() / face["folder"].toString().toStdString(),
                        face["background"].toString().toStdString(),
                        face["redLcd"].toString().toStdString(),
                        face["width"].toInt(),
                        face["height"].toInt(),
                        rectOf(face["lcdGlass"].toObject()),
                        {},
                        {}};
    for (const auto& point : face["outline"].toArray()) {
        result.outline.push_back({point.toArray()[0].toInt(), point.toArray()[1].toInt()});
    }
    for (const auto& value : face["pictures"].toArray()) {
        const QJsonObject picture = value.toObject();
        result.pictures.push_back({picture["family"].toString().toStdString(), picture["index"].toInt(-1),
                                   picture["side"].toString() == "down", picture["file"].toString().toStdString(),
                                   rectOf(picture)});
    }
    return result;
}

} // namespace kez::facegen::test
