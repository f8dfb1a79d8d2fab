// The face's 131 pictures and its background from the face's folder, and what each kind of failure leaves.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <memory>
#include <string>

#include "face_test_kit.h"
#include "form/deferred_picture.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "layout/bitmap_files.h"
#include "layout/positions.h"

namespace kez::ombrel::test {
namespace {

namespace fs = std::filesystem;
using face::FaceSize;

QImage builtin(const std::string& file) { return pixels(QImage(QString::fromStdString(":/face/builtin/" + file))); }

// How many pictures, in load order, show their file before the first that shows its built-in picture; -1 when
// any later one shows its file again.
int loadedPrefix(const KzSetPhoneForm& form, const fs::path& folder) {
    const auto loads = face::pictureLoads();
    int prefix = 0;
    while (prefix < static_cast<int>(loads.size()) &&
           pixels(form.picture(loads[prefix].picture)->pixmap().toImage()) == fileImage(folder / loads[prefix].file))
        ++prefix;
    for (auto i = static_cast<std::size_t>(prefix); i < loads.size(); ++i) {
        if (pixels(form.picture(loads[i].picture)->pixmap().toImage()) != builtin(loads[i].file)) return -1;
    }
    return prefix;
}

// Whether every control stands where the table of `size` puts it.
bool placedFor(const KzSetPhoneForm& form, FaceSize size) {
    for (const auto& placed : face::placedControls(size)) {
        const QPoint at(placed.at.x, placed.at.y);
        if (placed.control == face::Control::LineLabels) {
            if (form.txtLineLabels(placed.index)->pos() != at) return false;
        } else if (placed.control == face::Control::DummyTextbox) {
            if (form.txtDummyTextbox()->pos() != at) return false;
        } else {
            for (auto side : {face::Side::Up, face::Side::Down}) {
                const PictureItem* item = form.picture({placed.control, side, placed.index});
                if (item != nullptr && item->pos() != at) return false;
            }
        }
    }
    return true;
}

struct LoadCase {
    const char* spoil; // the file removed or overwritten, empty for none
    bool garbage;      // overwritten with text rather than removed
    int loaded;        // pictures that show their files
    const char* box;   // the one box's title, empty for none
    const char* boxText;
    bool placed;
};

TEST(FaceLoad, EachFailureEndsItsProcedureOnly) {
    const LoadCase cases[] = {
        {"", false, 131, "", "", true},
        {"imaMenuDn.bmp", false, 20, "mLoadControlBitmaps", "Error code [35H]\r\n\r\nFile not found", true},
        {"imaMainLogo.bmp", true, 128, "mLoadControlBitmaps", "Error code [1E1H]\r\n\r\nInvalid picture", true},
        {"Ombrel_75_with shadow.bmp", false, 0, "mLoadAndPositionControls", "Error code [35H]\r\n\r\nFile not found",
         false},
    };
    for (const auto& c : cases) {
        FaceWorld world;
        world.copyData();
        const auto folder = world.faceFolder(FaceSize::Small);
        if (*c.spoil != 0) {
            c.garbage ? (void)kez::test::writeFile(folder / c.spoil, "not a picture")
                      : (void)fs::remove(folder / c.spoil);
        }
        KzSetPhoneForm form;
        form.loadFor(world.options(2));
        EXPECT_EQ(loadedPrefix(form, folder), c.loaded) << c.spoil;
        EXPECT_EQ(placedFor(form, FaceSize::Small), c.placed) << c.spoil;
        // Not placed: the controls stand where the window was built, on the large face.
        EXPECT_EQ(placedFor(form, FaceSize::Large), !c.placed) << c.spoil;
        const auto boxes = world.boxes();
        if (*c.box == 0) {
            EXPECT_TRUE(boxes.empty()) << c.spoil;
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u) << c.spoil;
        EXPECT_EQ(boxes[0].title, c.box);
        EXPECT_EQ(boxes[0].text, c.boxText);
        EXPECT_EQ(world.errorLines().size(), 1u);
    }
}

// A built-in picture is decoded when first drawn, but stands and takes clicks at its full size from the start.
TEST(FaceLoad, BuiltInPicturesHaveTheirSizeBeforeTheyAreDecoded) {
    FaceWorld world;
    const KzSetPhoneForm built;
    for (const auto& load : face::pictureLoads()) {
        SCOPED_TRACE(load.file);
        const QPixmap decoded(QString::fromStdString(":/face/builtin/" + load.file));
        ASSERT_FALSE(decoded.isNull());
        const PictureItem& item = *built.picture(load.picture);
        EXPECT_EQ(item.rect().size(), decoded.size());
        EXPECT_EQ(pixels(item.pixmap().toImage()), pixels(decoded.toImage()));
    }
}

TEST(FaceLoad, APictureIsReadAsItsNameSaysElseByItsContent) {
    const kez::test::TempDir folder("kez-pictures");
    QImage drawn(3, 2, QImage::Format_RGB32);
    drawn.fill(Qt::red);
    const auto path = [&](const char* name) { return QString::fromStdString((folder.path() / name).string()); };
    ASSERT_TRUE(drawn.save(path("right.bmp"), "BMP") && drawn.save(path("png.bmp"), "PNG"));
    kez::test::writeFile(folder.path() / "text.bmp", "not a picture");
    for (const char* name : {"right.bmp", "png.bmp"}) {
        EXPECT_EQ(pixels(readPicture(path(name))), pixels(drawn)) << name;
        EXPECT_EQ(pictureSize(path(name)), drawn.size()) << name;
    }
    EXPECT_TRUE(readPicture(path("text.bmp")).isNull());
    EXPECT_EQ(pictureSize(path("text.bmp")), QPixmap().size());
}

TEST(FaceLoad, BackgroundFailureKeepsTheBuiltInWindow) {
    FaceWorld world;
    world.copyData();
    fs::remove(world.faceFolder(FaceSize::Large) / std::string(face::backgroundFile(FaceSize::Large)));
    KzSetPhoneForm built;
    KzSetPhoneForm form;
    form.loadFor(world.options(1));
    EXPECT_EQ(pixels(form.canvas().background().toImage()),
              builtin(std::string(face::backgroundFile(FaceSize::Large))));
    EXPECT_EQ(form.canvas().size(), built.canvas().size());
    EXPECT_EQ(form.txtLineLabels(0)->size(), built.txtLineLabels(0)->size());
    EXPECT_EQ(form.lblDisplay(1)->geometry(), built.lblDisplay(1)->geometry());
}

} // namespace
} // namespace kez::ombrel::test
