#pragma once
// Cutting the face's pictures from its whole-face renders, and writing them as the face's bitmap files.
#include <QImage>
#include <QString>

#include <map>
#include <string>

#include "layout/face_types.h"

namespace kez::facegen {

struct FaceRenders {
    QImage rest;
    QImage active;
    QImage red;
};

// File name -> picture. Throws when two cuts of one shared file differ: the body under them is not flat.
std::map<std::string, QImage> cutPictures(ombrel::face::FaceSize size, const FaceRenders& renders);

// The background, its red twin and every picture, 24-bit, in `folder` (emptied first).
void writeFaceFolder(const QString& folder, ombrel::face::FaceSize size, const FaceRenders& renders,
                     const std::map<std::string, QImage>& pictures);

// 256-colour copies of the large background and pictures, with the resource file listing them.
void writeBuiltins(const QString& folder, const FaceRenders& renders, const std::map<std::string, QImage>& pictures);

// Throws when the file cannot be written.
void writeBmp(const QImage& image, const QString& path);

} // namespace kez::facegen
