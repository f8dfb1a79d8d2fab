#include "ombrel/phone_form.h"

namespace kez::ombrel {

std::int16_t mouseButtonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return kLeftMouseButton;
    case Qt::RightButton: return kRightMouseButton;
    case Qt::MiddleButton: return kMiddleMouseButton;
    default: return 0;
    }
}

void PhoneForm::restoreWindow() {
    showNormal();
    raise();
    activateWindow();
}

} // namespace kez::ombrel
