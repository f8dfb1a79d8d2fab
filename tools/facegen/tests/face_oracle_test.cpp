// The generated faces judged by ImageMagick from the manifest: pictures fit the background seamlessly, the red
// twin differs only in the display, the body follows the outline; the generator repeats itself byte for byte.
// Writes the composite previews (at rest, pressed and lit, red display, shaped) to <build>/face/previews.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "face_manifest.h"
#include "layout/bitmap_files.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "process.h"

namespace kez::facegen::test {
namespace {

namespace fs = std::filesystem;
using kez::test::runCommand;

const FaceSize kSizes[] = {FaceSize::Large, FaceSize::Small};

fs::path previewFile(FaceSize size, const std::string& what) {
    const fs::path folder = faceWorkFolder() / "previews";
    fs::create_directories(folder);
    return folder / ((size == FaceSize::Large ? "large-" : "small-") + what + ".png");
}

std::string run(const std::vector<std::string>& argv) {
    const auto result = runCommand(argv);
    EXPECT_TRUE(result.ok()) << argv[0] << ": " << result.err;
    return result.out;
}

// Pixels that differ between two pictures of one size (`compare` prints the count on standard error).
long differingPixels(const fs::path& a, const fs::path& b) {
    const auto result = runCommand({"compare", "-metric", "AE", a.string(), b.string(), "null:"});
    EXPECT_NE(result.exitCode, 2) << result.err;
    return static_cast<long>(std::stod(result.err));
}

// `base` with every picture of one side laid over it at its place, written to `out`.
void composePictures(const ManifestFace& face, const fs::path& base, bool down, const fs::path& out) {
    std::vector<std::string> argv{"convert", base.string()};
    for (const auto& picture : face.pictures) {
        if (picture.down != down && picture.family != "imgKEZLogo") continue;
        const auto& r = picture.rect;
        argv.insert(argv.end(), {(face.folder / picture.file).string(), "-geometry",
                                 "+" + std::to_string(r.x) + "+" + std::to_string(r.y), "-composite"});
    }
    argv.push_back(out.string());
    run(argv);
}

// ImageMagick's WxH+X+Y.
std::string geometry(const Rect& r) {
    return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
           std::to_string(r.y);
}

std::string polygonOf(const ManifestFace& face) {
    std::string polygon = "polygon";
    for (const auto& point : face.outline)
        polygon += " " + std::to_string(point.x) + "," + std::to_string(point.y);
    return polygon;
}

// Ones inside the outline, drawn by ImageMagick from the manifest's points.
fs::path outlineMask(FaceSize size, const ManifestFace& face) {
    const fs::path mask = previewFile(size, "outline-mask");
    run({"convert", "-size", std::to_string(face.width) + "x" + std::to_string(face.height), "xc:black", "-fill",
         "white", "-draw", polygonOf(face), mask.string()});
    return mask;
}

// Ones on the body: everything but the pure greys (surround and shadow) reached from the top-left corner.
fs::path bodyMask(FaceSize size, const ManifestFace& face) {
    const fs::path mask = previewFile(size, "body-mask");
    run({"convert",     (face.folder / face.background).string(),
         "-colorspace", "HSL",
         "-channel",    "G",
         "-separate",   "+channel",
         "-threshold",  "0",
         "-fill",       "gray50",
         "-draw",       "color 0,0 floodfill",
         "-fill",       "white",
         "+opaque",     "gray50",
         "-fill",       "black",
         "-opaque",     "gray50",
         mask.string()});
    return mask;
}

// How many pixels are on in `a` and off in `b`.
long onlyIn(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> argv{"convert", "("};
    argv.insert(argv.end(), a.begin(), a.end());
    argv.insert(argv.end(), {")", "("});
    argv.insert(argv.end(), b.begin(), b.end());
    argv.insert(argv.end(),
                {"-negate", ")", "-compose", "Multiply", "-composite", "-format", "%[fx:round(mean*w*h)]", "info:"});
    return std::stol(run(argv));
}

TEST(FaceOracle, ManifestPlacesEveryPictureWhereTheLayoutDoes) {
    for (FaceSize size : kSizes) {
        const auto face = manifestFace(size);
        const auto loads = ombrel::face::pictureLoads();
        ASSERT_EQ(face.pictures.size(), loads.size());
        for (size_t i = 0; i < loads.size(); ++i) {
            const auto& picture = loads[i].picture;
            const auto at = ombrel::face::position(size, picture.family, picture.index);
            const auto extent = ombrel::face::pictureSize(size, picture.family, picture.index);
            EXPECT_EQ(face.pictures[i].rect, (Rect{at->x, at->y, extent.width, extent.height})) << loads[i].file;
            EXPECT_EQ(face.pictures[i].file, loads[i].file);
        }
    }
}

TEST(FaceOracle, PicturesAtRestComposeToTheBackgroundAndPressedOnesDiffer) {
    for (FaceSize size : kSizes) {
        const auto face = manifestFace(size);
        const fs::path background = face.folder / face.background;
        const fs::path rest = previewFile(size, "rest");
        composePictures(face, background, false, rest);
        EXPECT_EQ(differingPixels(background, rest), 0);
        composePictures(face, background, true, previewFile(size, "pressed-lit"));

        for (const auto& down : face.pictures) {
            if (!down.down) continue;
            for (const auto& up : face.pictures) {
                if (!up.down && up.family != "imgKEZLogo" && up.index == down.index && up.rect == down.rect) {
                    EXPECT_GT(differingPixels(face.folder / up.file, face.folder / down.file), 0) << down.file;
                }
            }
        }
    }
}

TEST(FaceOracle, RedTwinDiffersOnlyInsideTheDisplayAndIsRedThere) {
    for (FaceSize size : kSizes) {
        const auto face = manifestFace(size);
        const fs::path red = face.folder / face.redLcd;
        composePictures(face, red, false, previewFile(size, "red-lcd"));
        // The box around every changed pixel.
        const std::string changed = run({"convert", (face.folder / face.background).string(), red.string(), "-compose",
                                         "Difference", "-composite", "-threshold", "0", "-format", "%@", "info:"});
        EXPECT_EQ(changed, geometry(face.glass));
        const std::string leastRed = run({"convert", red.string(), "-crop", geometry(face.glass), "+repage", "-fx",
                                          "r-max(g,b)", "-format", "%[fx:minima]", "info:"});
        EXPECT_GT(std::stod(leastRed), 0.4);
    }
}

TEST(FaceOracle, BodyFollowsTheOutlineWithinTwoPixels) {
    for (FaceSize size : kSizes) {
        const auto face = manifestFace(size);
        const std::string outline = outlineMask(size, face).string();
        const std::string body = bodyMask(size, face).string();
        EXPECT_EQ(onlyIn({body}, {outline, "-morphology", "Dilate", "Disk:2"}), 0);
        EXPECT_EQ(onlyIn({outline, "-morphology", "Erode", "Disk:2"}, {body}), 0);
        const fs::path shaped = previewFile(size, "shaped");
        composePictures(face, face.folder / face.background, false, shaped);
        run({"convert", shaped.string(), outline, "-alpha", "off", "-compose", "CopyOpacity", "-composite",
             shaped.string()});
    }
}

TEST(FaceOracle, TwoGeneratorRunsGiveIdenticalBytes) {
    const fs::path again = faceWorkFolder() / "rerun";
    fs::remove_all(again);
    ASSERT_TRUE(runCommand({KEZ_FACEGEN, (again / "data").string(), (again / "work").string()}).ok());
    const auto same = [](const fs::path& a, const fs::path& b) {
        return runCommand({"diff", "-rq", a.string(), b.string()});
    };
    for (const auto& [first, second] :
         {std::pair{buildDataFolder() / "bitmaps", again / "data" / "bitmaps"},
          std::pair{faceWorkFolder() / "builtin", again / "work" / "builtin"},
          std::pair{faceWorkFolder() / "face-manifest.json", again / "work" / "face-manifest.json"}}) {
        const auto compared = same(first, second);
        EXPECT_TRUE(compared.ok()) << compared.out;
    }
    fs::remove_all(again);
}

} // namespace
} // namespace kez::facegen::test
