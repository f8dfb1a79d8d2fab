// The face's keyboard shortcuts: seen on the window before any control, they press and release the keys of
// the set as the left mouse button does on their pictures, and keep the keys from every control but a label
// box being edited.
#include <QKeyEvent>
#include <QLineEdit>

#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"

namespace kez::ombrel {

namespace {

// The keypad's separator key presses Speaker on the simple form only.
constexpr std::int16_t kVkSeparator = 108;

std::optional<KeyId> faceShortcut(WindowsKey key) {
    if (key.keyCode == kVkSeparator) return std::nullopt;
    return shortcutKeyId(key);
}

} // namespace

bool KzSetPhoneForm::faceTakesKeys() const {
    const QWidget* focus = focusWidget();
    return focus == nullptr || focus == txtDummyTextbox_ || qobject_cast<const QLineEdit*>(focus) == nullptr;
}

bool KzSetPhoneForm::Form_KeyEvent(const QKeyEvent& key) {
    if (!faceTakesKeys()) return false;
    for (const KeyStroke& stroke : keys_.translate(key))
        raiseStroke(stroke);
    if (keys_.hasPendingRelease()) releaseTimer_.start();
    focusDummy();
    return true;
}

void KzSetPhoneForm::raiseStroke(const KeyStroke& stroke) {
    const bool down = stroke.kind == KeyStroke::Kind::Down;
    runReported(down ? "Form_KeyDown" : "Form_KeyUp", [&] {
        if (stroke.kind == KeyStroke::Kind::MenuBar) return;
        if (const auto id = faceShortcut(stroke.key)) pressKey(*id, down);
    });
}

void KzSetPhoneForm::pressKey(KeyId key, bool down) {
    const face::ButtonRow* row = face::buttonRow(key);
    if (row == nullptr) return;
    const face::PictureRef up{row->keyFamily, face::Side::Up, row->keyIndex};
    if (down) {
        imageMouseDown(up, kLeftMouseButton);
    } else {
        imageMouseUp(up);
    }
}

void KzSetPhoneForm::releaseHeldKeys() {
    for (const WindowsKey key : keys_.releaseAll()) {
        if (const auto id = faceShortcut(key)) pressKey(*id, false);
    }
}

} // namespace kez::ombrel
