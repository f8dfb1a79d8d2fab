#pragma once
// The face's bitmap files: the folder and background pair of each face size, and the 131 picture loads in the
// order the face makes them.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layout/face_types.h"

namespace kez::ombrel::face {

struct PictureLoad {
    PictureRef picture;
    std::string file; // the name in the face's folder, case and blanks exact
};

// Relative to the data folder: "bitmaps/bigkzset" for the large face, "bitmaps/smallkzset" for the small one.
std::string_view bitmapFolder(FaceSize size);
std::string_view backgroundFile(FaceSize size); // "Ombrel_100_with shadow.bmp" ...
std::string_view redLcdFile(FaceSize size);     // its twin with the display red

// The 131 loads, the same names in both folders.
std::span<const PictureLoad> pictureLoads();
// The 79 distinct picture files, in the order of their first load.
std::vector<std::string> pictureFiles();

} // namespace kez::ombrel::face
