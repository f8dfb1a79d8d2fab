#include "face_events.h"

#include <utility>

namespace kez::ombrel::test {

FaceEvents::FaceEvents(KzSetPhoneForm& form, ButtonCollection& buttons) {
    QObject::connect(&form, &PhoneForm::ButtonDown, &form, [this, &buttons](std::int16_t button, KeyId id) {
        events.push_back("down " + std::to_string(button) + " " + keyTag(id));
        const auto* key = buttons.find(keyTag(id));
        if (key == nullptr || button != kLeftMouseButton || (*key)->bButtonPressed()) return;
        (*key)->bButtonPressed(true);
        (*key)->ImagePushDown();
    });
    QObject::connect(&form, &PhoneForm::ButtonUp, &form, [this, &buttons](KeyId id) {
        events.push_back("up " + keyTag(id));
        if (const auto* key = buttons.find(keyTag(id))) {
            (*key)->bButtonPressed(false);
            (*key)->ImagePushUp();
        }
    });
    QObject::connect(&form, &PhoneForm::DisplayOptions, &form, [this] { events.emplace_back("options"); });
}

std::vector<std::string> FaceEvents::take() { return std::exchange(events, {}); }

} // namespace kez::ombrel::test
