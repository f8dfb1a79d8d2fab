#include "form/face_keyboard.h"

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

FaceKeyboard::FaceKeyboard(std::function<void(KeyId, bool)> press) : press_(std::move(press)) {
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kRepeatWindowMs);
    QObject::connect(&releaseTimer_, &QTimer::timeout, [this] {
        if (const auto stroke = keys_.takePendingRelease()) raise(*stroke);
    });
}

void FaceKeyboard::take(const QKeyEvent& key) {
    for (const KeyStroke& stroke : keys_.translate(key))
        raise(stroke);
    if (keys_.hasPendingRelease()) releaseTimer_.start();
}

void FaceKeyboard::raise(const KeyStroke& stroke) {
    const bool down = stroke.kind == KeyStroke::Kind::Down;
    runReported(down ? "Form_KeyDown" : "Form_KeyUp", [&] {
        if (stroke.kind == KeyStroke::Kind::MenuBar) return;
        if (const auto id = faceShortcut(stroke.key)) press_(*id, down);
    });
}

void FaceKeyboard::releaseHeld() {
    for (const WindowsKey key : keys_.releaseAll()) {
        if (const auto id = faceShortcut(key)) press_(*id, false);
    }
}

} // namespace kez::ombrel
