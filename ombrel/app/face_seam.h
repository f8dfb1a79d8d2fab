#pragma once
// How the program makes its phone forms: the graphical face for "Type" 1 (the large set) and 2 (the small
// one), which reads "Type" itself for its size; the simple form for "Type" 0.
#include <cstdint>
#include <memory>

#include "ombrel/controller_dialogs.h"
#include "ombrel/phone_form.h"

namespace kez::ombrel {

// KzSetPhoneForm for 1 and 2; the simple form for any other type.
std::unique_ptr<PhoneForm> createGraphicalPhoneForm(std::int16_t type);
std::unique_ptr<PhoneForm> createSimplePhoneForm();
PhoneFormFactory programPhoneForms();

} // namespace kez::ombrel
