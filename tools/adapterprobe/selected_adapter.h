#pragma once
// Which adapter the telephone is set to use: the text value "Adapter" of the machine's
// communications settings, and the number it stands for.
#include "kez/reg/status.h"

#include <optional>
#include <string>
#include <string_view>

namespace kez::adapterprobe {

inline constexpr int kDefaultAdapter = -1;

struct AdapterSetting {
    enum class Outcome { KeyMissing, ValueMissing, Read };
    Outcome outcome = Outcome::KeyMissing;
    reg::Status status = reg::Status::Ok; // why, unless Read
    std::string text;                     // the value's text as stored, up to its first zero
};

AdapterSetting readAdapterSetting();

// The C run-time's atoi rule: leading blanks, an optional sign, digits; text that is no number
// is 0. Nullopt when the number does not fit an int.
std::optional<int> adapterNumber(std::string_view text);

} // namespace kez::adapterprobe
