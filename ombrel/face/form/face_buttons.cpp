// The face's keys: the 47 button objects, one per row of the button table, into the controller's two
// collections; presses and releases on the key pictures and by the keyboard's shortcuts; the logo's click.
#include <QLineEdit>

#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/bitmap_button.h"

namespace kez::ombrel {

using face::Control;
using face::Side;

namespace {

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

PictureItem& KzSetPhoneForm::rowPicture(face::Control family, Side side, int index) const {
    PictureItem* item = picture({family, side, index});
    if (item == nullptr) throw vb::RuntimeError(vb::error::kSubscriptOutOfRange);
    return *item;
}

KzSetPhoneForm::RowControls KzSetPhoneForm::rowControls(const face::ButtonRow& row) const {
    RowControls controls{rowPicture(row.keyFamily, Side::Up, row.keyIndex),
                         rowPicture(row.keyFamily, Side::Down, row.keyIndex), nullptr, nullptr, nullptr};
    if (row.ledFamily) {
        controls.ledOff = &rowPicture(*row.ledFamily, Side::Up, row.ledIndex);
        controls.ledOn = &rowPicture(*row.ledFamily, Side::Down, row.ledIndex);
    }
    if (row.labelBox) {
        controls.labelBox = txtLineLabels(*row.labelBox);
        if (controls.labelBox == nullptr) throw vb::RuntimeError(vb::error::kSubscriptOutOfRange);
    }
    return controls;
}

void KzSetPhoneForm::mInitializeButtonsAndLEDS(ButtonCollection& colButtons, ButtonCollection& colLEDs,
                                               std::span<const face::ButtonRow> rows) {
    runReported("mInitializeButtonsAndLEDS", [&] {
        for (const auto& row : rows)
            mCreateAndAddButton(colButtons, colLEDs, row, rowControls(row));
    });
}

void KzSetPhoneForm::mCreateAndAddButton(ButtonCollection& colButtons, ButtonCollection& colLEDs,
                                         const face::ButtonRow& row, const RowControls& controls) {
    runReported("mCreateAndAddButton", [&] {
        auto button = std::make_shared<BitmapButtonClass>();
        button->Initialize(row.key, row.type, controls.up, controls.down, controls.ledOff, controls.ledOn,
                           std::string(row.description), std::string(), row.keyHelpTopic, row.ledHelpTopic,
                           controls.labelBox);
        const std::string tag = keyTag(row.key);
        controls.up.setKey(row.key);
        colButtons.add(tag, button);
        if (controls.ledOff == nullptr) return;
        controls.ledOff->setKey(row.key);
        colLEDs.add(tag, button);
    });
}

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
    connect(canvas_, &FaceCanvas::backgroundMouseDown, this,
            [this](Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global) {
                drag_.Form_MouseDown(button, buttons, shift, global);
            });
    connect(canvas_, &FaceCanvas::backgroundMouseMove, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global) {
                drag_.Form_MouseMove(buttons, shift, global);
            });
    connect(canvas_, &FaceCanvas::backgroundMouseUp, this, [this] { drag_.Form_MouseUp(); });
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

void KzSetPhoneForm::pressKey(KeyId key, bool down) {
    const face::ButtonRow* row = face::buttonRow(key);
    if (row == nullptr) return;
    const face::PictureRef up{row->keyFamily, Side::Up, row->keyIndex};
    if (down) {
        imageMouseDown(up, kLeftMouseButton);
    } else {
        imageMouseUp(up);
    }
}

} // namespace kez::ombrel
