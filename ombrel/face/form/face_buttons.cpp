// The face's 47 button objects, one per row of the button table, into the controller's two collections.
#include <QLineEdit>

#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/bitmap_button.h"

namespace kez::ombrel {

using face::Side;

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

} // namespace kez::ombrel
