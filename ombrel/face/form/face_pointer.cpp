// The face's pointer input: presses and releases on the key pictures, the logo's click, and the background's
// drag and tray menu.
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"

namespace kez::ombrel {

namespace {

using face::Control;
using face::Side;

constexpr Qt::KeyboardModifiers kShiftKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

bool isKeyFamily(Control family) {
    return face::isPictureFamily(family) && !face::isLed(family) && family != Control::KEZLogo;
}

// "imgDTMFup_MouseDown"; the fixed keys' handlers are spelt "imgFixedUp" and "imgFixedDn".
std::string handlerName(face::PictureRef picture, std::string_view event) {
    std::string name(picture.family == Control::FIXED ? (picture.side == Side::Up ? "imgFixedUp" : "imgFixedDn")
                                                      : face::controlName(picture.family, picture.side));
    return name + "_" + std::string(event);
}

} // namespace

void KzSetPhoneForm::connectPointer() {
    connect(canvas_, &FaceCanvas::pictureMouseDown, this, [this](PictureItem* picture, Qt::MouseButton button) {
        const std::int16_t number = mouseButtonNumber(button);
        if (isKeyFamily(picture->ref().family) && number != 0) imageMouseDown(picture->ref(), number);
    });
    connect(canvas_, &FaceCanvas::pictureMouseUp, this,
            [this](PictureItem* picture, Qt::MouseButton button, Qt::KeyboardModifiers, QPoint at) {
                if (isKeyFamily(picture->ref().family)) return imageMouseUp(picture->ref());
                // A click: pressed and let go on the logo.
                if (picture->ref().family == Control::KEZLogo && button == Qt::LeftButton &&
                    picture->rect().contains(at)) {
                    runReported("imgKEZLogo_Click", [this] { showAbout(); });
                }
            });
    connect(canvas_, &FaceCanvas::backgroundMouseDown, this, &KzSetPhoneForm::Form_MouseDown);
    connect(canvas_, &FaceCanvas::backgroundMouseMove, this, &KzSetPhoneForm::Form_MouseMove);
    connect(canvas_, &FaceCanvas::backgroundMouseUp, this, &KzSetPhoneForm::Form_MouseUp);
}

void KzSetPhoneForm::imageMouseDown(face::PictureRef picture, std::int16_t button) {
    runReported(handlerName(picture, "MouseDown"), [&] {
        const PictureItem& up = rowPicture(picture.family, Side::Up, picture.index);
        if (const auto key = up.key()) emit ButtonDown(button, *key);
    });
}

void KzSetPhoneForm::imageMouseUp(face::PictureRef picture) {
    runReported(handlerName(picture, "MouseUp"), [&] {
        const PictureItem& up = rowPicture(picture.family, Side::Up, picture.index);
        if (const auto key = up.key()) emit ButtonUp(*key);
    });
}

void KzSetPhoneForm::Form_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                                    QPoint global) {
    runReported("Form_MouseDown", [&] {
        if (shift & kShiftKeys) return;
        if (button == Qt::LeftButton) {
            dragPointerStart_ = global;
            dragWindowStart_ = pos();
            mbDragging_ = true;
        } else if (button == Qt::RightButton && buttons == Qt::RightButton && moUIWrapper_ != nullptr) {
            // The right button pressed during a drag only stops it.
            moUIWrapper_->PopupSysMenu(false);
        }
    });
}

void KzSetPhoneForm::Form_MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global) {
    runReported("Form_MouseMove", [&] {
        if (buttons != Qt::LeftButton || (shift & kShiftKeys) || !mbDragging_) return;
        // The window follows the pointer from where both were at the press.
        move(dragWindowStart_ + (global - dragPointerStart_));
    });
}

void KzSetPhoneForm::Form_MouseUp() { mbDragging_ = false; }

} // namespace kez::ombrel
