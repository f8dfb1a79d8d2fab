#include "face_seam.h"

#include "form/kz_set_phone_form.h"
#include "ombrel/simple_phone_form.h"

namespace kez::ombrel {

std::unique_ptr<PhoneForm> createGraphicalPhoneForm(std::int16_t type) {
    if (type == 1 || type == 2) return std::make_unique<KzSetPhoneForm>();
    return createSimplePhoneForm();
}

std::unique_ptr<PhoneForm> createSimplePhoneForm() { return std::make_unique<SimplePhoneForm>(); }

PhoneFormFactory programPhoneForms() { return {createSimplePhoneForm, createGraphicalPhoneForm}; }

} // namespace kez::ombrel
