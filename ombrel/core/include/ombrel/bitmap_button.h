#pragma once
// A key of the graphical face: its picture at rest and pressed, for a key with an LED its unlit and lit
// pictures, and for a labelled key the label box beside it. The face owns the pictures and the box.
#include <cstdint>
#include <string>

#include <QPointer>

#include "ombrel/button_base.h"
#include "ombrel/face_picture.h"

class QLineEdit;

namespace kez::ombrel {

class BitmapButtonClass final : public ButtonBase {
public:
    BitmapButtonClass() : ButtonBase("BitmapButtonClass") {}

    // `ledOff` and `ledOn` both or neither; `labelBox` is kept for a labelled key only. A labelled key's
    // caption is its stored label, shown in the label box.
    void Initialize(KeyId key, ButtonType type, FacePicture& up, FacePicture& down, FacePicture* ledOff,
                    FacePicture* ledOn, std::string description, std::string userDescription, std::int16_t keyHelpTopic,
                    std::int16_t ledHelpTopic, QLineEdit* labelBox);

    void ImagePushDown() override;
    void ImagePushUp() override;
    void RefreshButton(QLineEdit* labelBox) override;
    void bEnabled(bool enabled) override;

    // The label box given to Initialize for a labelled key; null otherwise.
    QLineEdit* labelBox() const { return labelBox_; }

private:
    void showLed(bool lit) override;
    // Hides `from`, shows `to` and draws it at once.
    static void swap(FacePicture* from, FacePicture* to);

    FacePicture* up_ = nullptr;
    FacePicture* down_ = nullptr;
    FacePicture* ledOff_ = nullptr;
    FacePicture* ledOn_ = nullptr;
    QPointer<QLineEdit> labelBox_;
};

} // namespace kez::ombrel
