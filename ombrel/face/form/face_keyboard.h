#pragma once
// The face's keyboard shortcuts: seen on the window before any control, they press and release the keys of the
// set as the left mouse button does on their pictures.
#include <functional>

#include <QTimer>

#include "ombrel/key_translation.h"

namespace kez::ombrel {

class FaceKeyboard {
public:
    // `press` presses (true) or lets go of (false) a key of the set.
    explicit FaceKeyboard(std::function<void(KeyId key, bool down)> press);

    // A key event the face takes.
    void take(const QKeyEvent& key);
    // Releases the keys still held down by their shortcuts: the face lost the keyboard.
    void releaseHeld();

private:
    void raise(const KeyStroke& stroke);

    std::function<void(KeyId, bool)> press_;
    KeyTranslation keys_;
    QTimer releaseTimer_; // takes a held-back release once no repeat followed it
};

} // namespace kez::ombrel
