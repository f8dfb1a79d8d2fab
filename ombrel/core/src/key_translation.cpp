#include "ombrel/key_translation.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace kez::ombrel {
namespace {

// Windows virtual-key codes the tables name.
constexpr std::int16_t kVkBack = 8, kVkTab = 9, kVkReturn = 13, kVkShift = 16, kVkControl = 17, kVkMenu = 18,
                       kVkPause = 19, kVkCapital = 20, kVkEscape = 27, kVkSpace = 32, kVkPrior = 33, kVkNext = 34,
                       kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40,
                       kVkSnapshot = 44, kVkInsert = 45, kVkDelete = 46, kVk0 = 48, kVk3 = 51, kVk8 = 56, kVk9 = 57,
                       kVkA = 65, kVkZ = 90, kVkLWin = 91, kVkApps = 93, kVkNumpad0 = 96, kVkNumpad9 = 105,
                       kVkMultiply = 106, kVkAdd = 107, kVkSeparator = 108, kVkSubtract = 109, kVkDecimal = 110,
                       kVkDivide = 111, kVkF1 = 112, kVkF12 = 123, kVkNumLock = 144, kVkScroll = 145;

struct Mapped {
    int qtKey;
    std::int16_t keyCode;
    bool shifted; // the sign Shift gives on a US keyboard: always with Shift
};

constexpr std::array kKeypad{
    std::pair{Qt::Key_Asterisk, kVkMultiply}, std::pair{Qt::Key_Plus, kVkAdd},
    std::pair{Qt::Key_Comma, kVkSeparator},   std::pair{Qt::Key_Minus, kVkSubtract},
    std::pair{Qt::Key_Period, kVkDecimal},    std::pair{Qt::Key_Slash, kVkDivide},
};

constexpr Mapped kKeys[] = {
    {Qt::Key_Backspace, kVkBack, false},
    {Qt::Key_Tab, kVkTab, false},
    {Qt::Key_Backtab, kVkTab, false},
    {Qt::Key_Return, kVkReturn, false},
    {Qt::Key_Enter, kVkReturn, false},
    {Qt::Key_Shift, kVkShift, false},
    {Qt::Key_Control, kVkControl, false},
    {Qt::Key_Alt, kVkMenu, false},
    {Qt::Key_Pause, kVkPause, false},
    {Qt::Key_CapsLock, kVkCapital, false},
    {Qt::Key_Escape, kVkEscape, false},
    {Qt::Key_Space, kVkSpace, false},
    {Qt::Key_PageUp, kVkPrior, false},
    {Qt::Key_PageDown, kVkNext, false},
    {Qt::Key_End, kVkEnd, false},
    {Qt::Key_Home, kVkHome, false},
    {Qt::Key_Left, kVkLeft, false},
    {Qt::Key_Up, kVkUp, false},
    {Qt::Key_Right, kVkRight, false},
    {Qt::Key_Down, kVkDown, false},
    {Qt::Key_Print, kVkSnapshot, false},
    {Qt::Key_Insert, kVkInsert, false},
    {Qt::Key_Delete, kVkDelete, false},
    {Qt::Key_Meta, kVkLWin, false},
    {Qt::Key_Menu, kVkApps, false},
    {Qt::Key_NumLock, kVkNumLock, false},
    {Qt::Key_ScrollLock, kVkScroll, false},
    // The shifted digits.
    {Qt::Key_ParenRight, kVk0, true},
    {Qt::Key_Exclam, kVk0 + 1, true},
    {Qt::Key_At, kVk0 + 2, true},
    {Qt::Key_NumberSign, kVk3, true},
    {Qt::Key_Dollar, kVk0 + 4, true},
    {Qt::Key_Percent, kVk0 + 5, true},
    {Qt::Key_AsciiCircum, kVk0 + 6, true},
    {Qt::Key_Ampersand, kVk0 + 7, true},
    {Qt::Key_Asterisk, kVk8, true},
    {Qt::Key_ParenLeft, kVk9, true},
    // The punctuation keys of a US keyboard, unshifted and shifted.
    {Qt::Key_Semicolon, 186, false},
    {Qt::Key_Colon, 186, true},
    {Qt::Key_Equal, 187, false},
    {Qt::Key_Plus, 187, true},
    {Qt::Key_Comma, 188, false},
    {Qt::Key_Less, 188, true},
    {Qt::Key_Minus, 189, false},
    {Qt::Key_Underscore, 189, true},
    {Qt::Key_Period, 190, false},
    {Qt::Key_Greater, 190, true},
    {Qt::Key_Slash, 191, false},
    {Qt::Key_Question, 191, true},
    {Qt::Key_QuoteLeft, 192, false},
    {Qt::Key_AsciiTilde, 192, true},
    {Qt::Key_BracketLeft, 219, false},
    {Qt::Key_BraceLeft, 219, true},
    {Qt::Key_Backslash, 220, false},
    {Qt::Key_Bar, 220, true},
    {Qt::Key_BracketRight, 221, false},
    {Qt::Key_BraceRight, 221, true},
    {Qt::Key_Apostrophe, 222, false},
    {Qt::Key_QuoteDbl, 222, true},
};

// Letters, digits and function keys: Qt numbers them in a row as Windows does.
std::int16_t rangeCode(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<std::int16_t>((keypad ? kVkNumpad0 : kVk0) + qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::int16_t>(kVkA + qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<std::int16_t>(kVkF1 + qtKey - Qt::Key_F1);
    return 0;
}

std::optional<KeyId> lineKey(int index) {
    const KeyInfo* key = keyAt(KeyPanel::Line, index);
    if (key == nullptr) return std::nullopt;
    return key->key;
}

bool isAltLetter(const QKeyEvent& event) {
    return (event.modifiers() & Qt::AltModifier) && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z;
}

} // namespace

std::optional<KeyId> shortcutKeyId(WindowsKey key) {
    const std::int16_t code = key.keyCode;
    if (code >= kVk0 && code <= kVk9) {
        if (!(key.shift & kShiftMask)) return keyOfShortcut(static_cast<char>('0' + code - kVk0));
        if (code == kVk8) return keyOfShortcut('*');
        if (code == kVk3) return keyOfShortcut('#');
        return std::nullopt;
    }
    if (code >= kVkNumpad0 && code <= kVkNumpad9) return keyOfShortcut(static_cast<char>('0' + code - kVkNumpad0));
    if (code >= kVkF1 && code <= kVkF12) return lineKey(code - kVkF1);
    switch (code) {
    case kVkMultiply: return keyOfShortcut('*');
    case kVkDecimal: return keyOfShortcut('#');
    case kVkSeparator:
    case kVkEscape: return keyWithRole(KeyRole::Speaker);
    case kVkUp:
    case kVkRight: return keyWithRole(KeyRole::VolumeUp);
    case kVkDown:
    case kVkLeft: return keyWithRole(KeyRole::VolumeDown);
    default: return code >= kVkA && code <= kVkZ ? keyOfShortcut(static_cast<char>(code)) : std::nullopt;
    }
}

WindowsKey windowsKey(const QKeyEvent& event) {
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    const std::int16_t shift = (event.modifiers() & Qt::ShiftModifier) ? kShiftMask : 0;
    const int qtKey = event.key();
    if (keypad) {
        for (const auto& [key, code] : kKeypad) {
            if (key == qtKey) return {code, shift};
        }
    }
    if (const std::int16_t code = rangeCode(qtKey, keypad)) return {code, shift};
    for (const auto& mapped : kKeys) {
        if (mapped.qtKey == qtKey) return {mapped.keyCode, mapped.shifted ? kShiftMask : shift};
    }
    return {0, shift};
}

std::vector<KeyStroke> KeyTranslation::translate(const QKeyEvent& event) {
    const bool press = event.type() == QEvent::KeyPress;
    if (!press && event.isAutoRepeat()) return {};
    const std::uint32_t scanCode = event.nativeScanCode();
    std::vector<KeyStroke> strokes;
    if (pending_) {
        // X's repeat: the press comes at the time of the release before it.
        if (press && pending_->scanCode == scanCode && pending_->time == event.timestamp()) {
            pending_.reset();
            return {{KeyStroke::Kind::Down, held_.at(scanCode)}};
        }
        strokes.push_back(*takePendingRelease());
    }
    const auto held = scanCode == 0 ? held_.end() : held_.find(scanCode);
    if (held != held_.end()) {
        if (press) {
            strokes.push_back({KeyStroke::Kind::Down, held->second});
        } else {
            pending_ = Pending{scanCode, event.timestamp()};
        }
        return strokes;
    }
    if (foreignKey(event, press)) return strokes;
    if (isAltLetter(event)) {
        strokes.push_back({KeyStroke::Kind::MenuBar, {}});
        return strokes;
    }
    const WindowsKey key = windowsKey(event);
    if (press && scanCode != 0) held_[scanCode] = key;
    strokes.push_back({press ? KeyStroke::Kind::Down : KeyStroke::Kind::Up, key});
    return strokes;
}

bool KeyTranslation::foreignKey(const QKeyEvent& event, bool press) {
    const std::uint32_t scanCode = event.nativeScanCode();
    if (scanCode == 0) return false;
    if (!press) {
        foreign_ = Pending{scanCode, event.timestamp()};
        return true;
    }
    const bool repeat =
        event.isAutoRepeat() || (foreign_ && foreign_->scanCode == scanCode && foreign_->time == event.timestamp());
    foreign_.reset();
    return repeat;
}

std::optional<KeyStroke> KeyTranslation::takePendingRelease() {
    if (!pending_) return std::nullopt;
    const auto held = held_.find(pending_->scanCode);
    pending_.reset();
    if (held == held_.end()) return std::nullopt;
    const KeyStroke stroke{KeyStroke::Kind::Up, held->second};
    held_.erase(held);
    return stroke;
}

std::vector<WindowsKey> KeyTranslation::releaseAll() {
    std::vector<WindowsKey> keys;
    for (const auto& [scanCode, key] : held_)
        keys.push_back(key);
    held_.clear();
    pending_.reset();
    return keys;
}

} // namespace kez::ombrel
