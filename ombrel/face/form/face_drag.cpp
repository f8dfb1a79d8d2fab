#include "form/face_drag.h"

#include <QWidget>

#include "form/procedure_errors.h"

namespace kez::ombrel {

namespace {

constexpr Qt::KeyboardModifiers kShiftKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

FaceDrag::FaceDrag(QWidget& window, std::function<void()> popUpMenu)
    : window_(window), popUpMenu_(std::move(popUpMenu)) {}

void FaceDrag::Form_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                              QPoint global) {
    runReported("Form_MouseDown", [&] {
        if (shift & kShiftKeys) return;
        if (button == Qt::LeftButton) {
            dragPointerStart_ = global;
            dragWindowStart_ = window_.pos();
            mbDragging_ = true;
        } else if (button == Qt::RightButton && buttons == Qt::RightButton) {
            // The right button pressed during a drag only stops it.
            popUpMenu_();
        }
    });
}

void FaceDrag::Form_MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global) {
    runReported("Form_MouseMove", [&] {
        if (buttons != Qt::LeftButton || (shift & kShiftKeys) || !mbDragging_) return;
        // The window follows the pointer from where both were at the press.
        window_.move(dragWindowStart_ + (global - dragPointerStart_));
    });
}

} // namespace kez::ombrel
