#pragma once
// The face under test: a private world (hives, log, box log), a recording box presenter, the settings object
// and a data folder, by default the build's, or a copy of it that a test may spoil.
#include <QImage>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "face_events.h"
#include "form/kz_set_phone_form.h"
#include "kez/ui/message_boxes.h"
#include "layout/face_types.h"
#include "ombrel/options.h"
#include "ombrel/phone_form.h"
#include "ombrel/testing/recording_owner.h"
#include "ombrel_test_env.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::ombrel::test {

std::filesystem::path buildDataFolder();

class FaceWorld {
public:
    FaceWorld();
    ~FaceWorld();

    // A private copy of the build's bitmap folders, used from now on.
    void copyData();
    // The face's folder in the data folder in use.
    std::filesystem::path faceFolder(face::FaceSize size) const;
    std::filesystem::path dataFolder() const;

    OptionsClass& options(std::int16_t uiType);
    std::vector<ui::MessageBox> boxes() const { return boxes_->shown(); }
    // The log's error entries.
    std::vector<std::string> errorLines() const;

private:
    OmbrelWorld world_;
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
    std::shared_ptr<ui::MessageBoxes> previous_;
    std::optional<kez::test::TempDir> data_;
    std::optional<kez::test::ScopedEnv> dataEnv_;
    std::optional<OptionsClass> options_;
};

using testing::RecordingOwner;

// A face that a recording controller has initialised, shown.
struct ShownFace {
    // Shown and active, as a window the user works in.
    ShownFace(FaceWorld& world, std::int16_t uiType);

    RecordingOwner owner;
    KzSetPhoneForm form;
};

// The picture as its pixels, whatever format it came in.
QImage pixels(const QImage& image);
QImage fileImage(const std::filesystem::path& file);

} // namespace kez::ombrel::test
