#include "ombrel/phone_form.h"

namespace kez::ombrel {

void PhoneForm::restoreWindow() {
    showNormal();
    raise();
    activateWindow();
}

} // namespace kez::ombrel
