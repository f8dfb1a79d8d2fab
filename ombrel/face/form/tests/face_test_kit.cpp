#include "face_test_kit.h"

#include <gtest/gtest.h>

#include <QTest>

#include "layout/bitmap_files.h"

namespace kez::ombrel::test {

namespace fs = std::filesystem;

fs::path buildDataFolder() { return fs::path(KEZ_BINARY_DIR) / "data"; }

FaceWorld::FaceWorld() : previous_(ui::setMessageBoxes(boxes_)) {}

FaceWorld::~FaceWorld() { ui::setMessageBoxes(previous_); }

void FaceWorld::copyData() {
    data_.emplace("kez-face-data");
    fs::copy(buildDataFolder() / "bitmaps", data_->path() / "bitmaps", fs::copy_options::recursive);
    dataEnv_.emplace("KEZ_DATA_DIR", data_->path().string());
}

fs::path FaceWorld::dataFolder() const { return data_ ? data_->path() : buildDataFolder(); }

fs::path FaceWorld::faceFolder(face::FaceSize size) const {
    return dataFolder() / std::string(face::bitmapFolder(size));
}

OptionsClass& FaceWorld::options(std::int16_t uiType) {
    options_.emplace();
    options_->LoadSettings();
    options_->nUIType = uiType;
    return *options_;
}

std::vector<std::string> FaceWorld::errorLines() const {
    std::vector<std::string> errors;
    for (const auto& line : world_.logTexts()) {
        if (line.rfind("ERROR:", 0) == 0) errors.push_back(line);
    }
    return errors;
}

ShownFace::ShownFace(FaceWorld& world, std::int16_t uiType) : owner(world.options(uiType)) {
    form.Initialize(owner, owner.buttons, owner.leds);
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
}

QImage pixels(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

QImage fileImage(const fs::path& file) { return pixels(QImage(QString::fromStdString(file.string()))); }

} // namespace kez::ombrel::test
