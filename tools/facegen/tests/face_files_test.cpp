// The generated bitmap files against the names and sizes the face loads, with `file` and ImageMagick's
// `identify` as the judges of what a file is.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "expected_bitmap_names.h"
#include "face_manifest.h"
#include "layout/bitmap_files.h"
#include "layout/picture_sizes.h"
#include "process.h"

namespace kez::facegen::test {
namespace {

namespace fs = std::filesystem;
using ombrel::face::Size;

std::vector<std::string> folderContent(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// The size each file of the folder is drawn at, from the layout.
std::map<std::string, Size> intendedSizes(FaceSize size) {
    std::map<std::string, Size> sizes;
    for (const auto& load : ombrel::face::pictureLoads()) {
        sizes[load.file] = ombrel::face::pictureSize(size, load.picture.family, load.picture.index);
    }
    sizes[std::string(ombrel::face::backgroundFile(size))] = ombrel::face::backgroundSize(size);
    sizes[std::string(ombrel::face::redLcdFile(size))] = ombrel::face::backgroundSize(size);
    return sizes;
}

// identify's format and size of every file of the folder.
std::map<std::string, std::string> identifyFolder(const fs::path& folder) {
    std::vector<std::string> argv{"identify", "-format", "%f|%m %wx%h\n"};
    for (const auto& name : folderContent(folder))
        argv.push_back((folder / name).string());
    const auto result = kez::test::runCommand(argv);
    EXPECT_TRUE(result.ok()) << result.err;
    std::map<std::string, std::string> found;
    for (const auto& line : kez::test::linesOf(result.out))
        found[line.substr(0, line.find('|'))] = line.substr(line.find('|') + 1);
    return found;
}

std::string sizeText(const Size& size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

const FaceSize kSizes[] = {FaceSize::Large, FaceSize::Small};

TEST(FaceFiles, EachFolderHoldsExactlyTheNamedFiles) {
    for (FaceSize size : kSizes) {
        const auto content = folderContent(manifestFace(size).folder);
        EXPECT_EQ(std::set<std::string>(content.begin(), content.end()), ombrel::face::test::expectedBitmapNames(size));
    }
}

TEST(FaceFiles, EveryFileIsAWindows3BitmapOf24BitsAtItsIntendedSize) {
    for (FaceSize size : kSizes) {
        const fs::path folder = manifestFace(size).folder;
        std::vector<std::string> argv{"file", "-b"};
        const auto names = folderContent(folder);
        for (const auto& name : names)
            argv.push_back((folder / name).string());
        const auto described = kez::test::runCommand(argv);
        ASSERT_TRUE(described.ok()) << described.err;
        const auto descriptions = kez::test::linesOf(described.out);
        ASSERT_EQ(descriptions.size(), names.size());

        const auto intended = intendedSizes(size);
        const auto identified = identifyFolder(folder);
        for (size_t i = 0; i < names.size(); ++i) {
            const auto& expected = intended.at(names[i]);
            const std::string dimensions = std::to_string(expected.width) + " x " + std::to_string(expected.height);
            EXPECT_EQ(descriptions[i].rfind("PC bitmap, Windows 3.x format, " + dimensions + " x 24", 0), 0u)
                << names[i] << ": " << descriptions[i];
            EXPECT_EQ(identified.at(names[i]), "BMP3 " + sizeText(expected)) << names[i];
        }
    }
}

TEST(FaceFiles, LargePicturesHaveTheBuiltInSizesAndPairsMatch) {
    // The face's built-in picture sizes, one file of each kind.
    const std::map<std::string, std::string> builtIn{
        {"Ombrel_100_with shadow.bmp", "590x534"},
        {"imaDTFMup5.bmp", "26x26"},
        {"imaLBUTTONS7dn.bmp", "16x16"},
        {"imaFBUTTON3up.bmp", "29x18"},
        {"imaMenuUp.bmp", "29x19"},
        {"imaDnDisplayup.bmp", "30x19"},
        {"imaFIXEDupProg.bmp", "30x19"},
        {"imaFIXEDdnFwd.bmp", "30x20"},
        {"imaFIXEDupMsg.bmp", "27x25"},
        {"imaFIXEDupHanFre.bmp", "26x16"},
        {"imaFIXEDdnVolDn.bmp", "26x16"},
        {"imaBFBUTTONupSpea.bmp", "26x34"},
        {"imaBFBUTTONdnHold.bmp", "26x34"},
        {"imaLEDdn.bmp", "4x4"},
        {"imaMainLogo.bmp", "33x25"},
    };
    const auto large = identifyFolder(manifestFace(FaceSize::Large).folder);
    for (const auto& [file, dimensions] : builtIn)
        EXPECT_EQ(large.at(file), "BMP3 " + dimensions) << file;

    for (FaceSize size : kSizes) {
        const auto identified = identifyFolder(manifestFace(size).folder);
        EXPECT_EQ(identified.at(std::string(ombrel::face::backgroundFile(size))),
                  identified.at(std::string(ombrel::face::redLcdFile(size))));
        const auto loads = ombrel::face::pictureLoads();
        for (const auto& load : loads) {
            if (load.picture.side != ombrel::face::Side::Down) continue;
            for (const auto& partner : loads) {
                if (partner.picture ==
                    ombrel::face::PictureRef{load.picture.family, ombrel::face::Side::Up, load.picture.index}) {
                    EXPECT_EQ(identified.at(load.file), identified.at(partner.file)) << load.file;
                }
            }
        }
    }
}

TEST(FaceFiles, BuiltInsAre256ColourCopiesOfTheLargeSet) {
    const auto large = manifestFace(FaceSize::Large);
    auto names = ombrel::face::pictureFiles();
    names.push_back(large.background);
    for (const auto& name : names) {
        const QImage builtIn(QString::fromStdString(":/face/builtin/" + name));
        const QImage file(QString::fromStdString((large.folder / name).string()));
        ASSERT_FALSE(builtIn.isNull()) << name;
        EXPECT_EQ(builtIn.format(), QImage::Format_Indexed8) << name;
        EXPECT_LE(builtIn.colorCount(), 256) << name;
        EXPECT_EQ(builtIn.size(), file.size()) << name;
    }
}

} // namespace
} // namespace kez::facegen::test
