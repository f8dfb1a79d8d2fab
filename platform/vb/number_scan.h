#pragma once
// Reading one number at the start of a text, shared by val() and numberFromText().
#include <cstddef>
#include <optional>
#include <string_view>

namespace kez::vb::detail {

struct ScannedNumber {
    double value = 0;
    std::size_t length = 0; // characters that formed the number
    bool hasDigits = true;  // false for a bare "&H" / "&O", which reads as 0
};

// A decimal number (sign, digits, fraction, E/D exponent) or an "&H"/"&O" radix
// number at the very start of `text`; nullopt when none starts there. Throws
// RuntimeError 6 when it does not fit.
std::optional<ScannedNumber> scanNumber(std::string_view text);

} // namespace kez::vb::detail
