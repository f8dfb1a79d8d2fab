#pragma once
// The generated faces as the tests see them: the build's data folder and the manifest facegen wrote.
#include <filesystem>
#include <string>
#include <vector>

#include "layout/face_types.h"

namespace kez::facegen::test {

using ombrel::face::FaceSize;
using ombrel::face::Point;
using ombrel::face::Rect;

struct ManifestPicture {
    std::string family; // "imgDTMFup", ...
    int index;          // -1 for a single picture
    bool down;
    std::string file;
    Rect rect;
};

struct ManifestFace {
    std::filesystem::path folder; // absolute, in the build's data folder
    std::string background;
    std::string redLcd;
    int width;
    int height;
    Rect glass;
    std::vector<Point> outline;
    std::vector<ManifestPicture> pictures;
};

std::filesystem::path buildDataFolder();
std::filesystem::path faceWorkFolder(); // the manifest and the built-ins
ManifestFace manifestFace(FaceSize size);

} // namespace kez::facegen::test
