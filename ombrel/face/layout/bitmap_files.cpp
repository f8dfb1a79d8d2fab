#include "layout/bitmap_files.h"

#include <algorithm>
#include <functional>

namespace kez::ombrel::face {
namespace {

std::string_view dn(Side side) { return side == Side::Down ? "dn" : "up"; }
std::string_view Dn(Side side) { return side == Side::Down ? "Dn" : "Up"; }

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (auto part : parts)
        text.append(part);
    return text;
}

using FileFor = std::function<std::string(int index, Side side)>;

// A family's pressed (or lit) pictures load before its pictures at rest.
void addPair(std::vector<PictureLoad>& loads, Control family, std::initializer_list<int> indexes,
             const FileFor& fileFor) {
    for (Side side : {Side::Down, Side::Up}) {
        for (int index : indexes)
            loads.push_back({{family, side, index}, fileFor(index, side)});
    }
}

std::vector<PictureLoad> buildLoads() {
    std::vector<PictureLoad> loads;
    const auto led = [](int, Side side) { return cat({"imaLED", dn(side), ".bmp"}); };
    addPair(loads, Control::BFBUTTON, {0, 1, 2, 3, 4}, [](int i, Side side) {
        return cat({"imaBFBUTTON", dn(side), i < 4 ? "Spea" : "Hold", ".bmp"});
    });
    addPair(loads, Control::ChkFixed, {0, 1, 2, 3}, led);
    addPair(loads, Control::ChkSpeaker, {0}, led);
    addPair(loads, Control::DISPLAY, {0, 1, 2, 3, 4}, [](int i, Side side) {
        if (i < 3) return cat({"imaMenu", Dn(side), ".bmp"});
        return cat({i == 3 ? "imaUpDisplay" : "imaDnDisplay", dn(side), ".bmp"});
    });
    addPair(loads, Control::DTMF, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15}, [](int i, Side side) {
        const auto digit = std::to_string(i);
        return cat({"imaDTFM", dn(side), i == 14 ? "Star" : i == 15 ? "Pound" : digit, ".bmp"});
    });
    addPair(loads, Control::FButton, {0, 1, 2, 3, 4, 5}, [](int i, Side side) {
        return cat({"imaFBUTTON", std::to_string(i), dn(side), ".bmp"});
    });
    addPair(loads, Control::FIXED, {0, 1, 2, 3, 4, 5, 6}, [](int i, Side side) {
        constexpr std::string_view kKeys[] = {"Prog", "Fwd", "Msg", "HanFre", "Mute", "VolUp", "VolDn"};
        return cat({"imaFIXED", dn(side), kKeys[i], ".bmp"});
    });
    addPair(loads, Control::LBUTTON, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, led);
    addPair(loads, Control::LBUTTONS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, [](int i, Side side) {
        const auto number = i < 5 ? std::string() : std::to_string(i); // lines 1 to 5 share one picture
        return cat({"imaLBUTTONS", number, dn(side), ".bmp"});
    });
    loads.push_back({{Control::KEZLogo, Side::Up, 0}, "imaMainLogo.bmp"});
    addPair(loads, Control::Program, {0}, led);
    return loads;
}

} // namespace

std::string_view bitmapFolder(FaceSize size) {
    return size == FaceSize::Large ? "bitmaps/bigkzset" : "bitmaps/smallkzset";
}

std::string_view backgroundFile(FaceSize size) {
    return size == FaceSize::Large ? "Ombrel_100_with shadow.bmp" : "Ombrel_75_with shadow.bmp";
}

std::string_view redLcdFile(FaceSize size) {
    return size == FaceSize::Large ? "Ombrel_100_with red_lcd.bmp" : "Ombrel_75_with red_lcd.bmp";
}

std::span<const PictureLoad> pictureLoads() {
    static const std::vector<PictureLoad> loads = buildLoads();
    return loads;
}

std::vector<std::string> pictureFiles() {
    std::vector<std::string> files;
    for (const auto& load : pictureLoads()) {
        if (std::find(files.begin(), files.end(), load.file) == files.end()) files.push_back(load.file);
    }
    return files;
}

} // namespace kez::ombrel::face
