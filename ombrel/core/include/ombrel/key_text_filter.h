#pragma once
// Key filtering of the address and number boxes: every character typed into a line edit goes through one key
// filter (gFilterIPKeyAscii, gFilterMacKeyAscii or a box's own) and is dropped when the filter answers 0.
// Keys without text (arrows, Home, End, Delete) and those a dialog acts on (Return, Enter, Escape, Tab) pass
// unfiltered; Backspace is filtered like any character (every filter keeps it); text typed with Ctrl held
// (Ctrl+V, Ctrl+A) and text outside ASCII never pass. Nothing reaches the box around the filter: its context
// menu, the paste keys, the middle-button paste, drops and input methods are off.
#include <cstdint>
#include <functional>

class QLineEdit;

namespace kez::ombrel {

// A key code in; the same code to let the key through, 0 to drop it.
using KeyAsciiFilter = std::function<std::int16_t(std::int16_t key)>;
// Told the code of each key the filter let through.
using KeyPassed = std::function<void(std::int16_t key)>;

// Filters the keys typed into `edit` for as long as it lives.
void filterKeyText(QLineEdit& edit, KeyAsciiFilter filter, KeyPassed passed = {});

} // namespace kez::ombrel
