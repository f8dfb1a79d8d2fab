#pragma once
// The face's events as a test reads them, with the picture swap the controller does on a press.
#include <string>
#include <vector>

#include "form/kz_set_phone_form.h"

namespace kez::ombrel::test {

// What the face raised, in order ("down 1 14", "up 14", "options"); like the controller, a left press shows its
// key pressed until the release.
class FaceEvents {
public:
    FaceEvents(KzSetPhoneForm& form, ButtonCollection& buttons);
    // The events so far, forgotten.
    std::vector<std::string> take();

    std::vector<std::string> events;
};

} // namespace kez::ombrel::test
