#include <cmath>
#include <limits>

#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "number_scan.h"

namespace kez::vb {
namespace {

bool isIgnoredByVal(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

double roundHalfToEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5) return lower;
    if (fraction > 0.5) return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

template <class Int>
Int toInteger(double value) {
    if (std::isnan(value)) throw RuntimeError(error::kOverflow);
    const double rounded = roundHalfToEven(value);
    if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) {
        throw RuntimeError(error::kOverflow);
    }
    return static_cast<Int>(rounded);
}

double requireNumber(std::string_view text) {
    if (auto number = numberFromText(text)) return *number;
    throw RuntimeError(error::kTypeMismatch);
}

} // namespace

double val(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isIgnoredByVal(c)) compact.push_back(c);
    }
    const auto scanned = detail::scanNumber(compact);
    return scanned ? scanned->value : 0.0;
}

std::optional<double> numberFromText(std::string_view text) {
    const std::string_view trimmed = trimBlanks(text);
    const auto scanned = detail::scanNumber(trimmed);
    if (!scanned || !scanned->hasDigits || scanned->length != trimmed.size()) return std::nullopt;
    return scanned->value;
}

bool isNumeric(std::string_view text) {
    try {
        return numberFromText(text).has_value();
    } catch (const RuntimeError&) {
        return false;
    }
}

std::int16_t cint(double value) { return toInteger<std::int16_t>(value); }
std::int32_t clng(double value) { return toInteger<std::int32_t>(value); }
std::uint8_t cbyte(double value) { return toInteger<std::uint8_t>(value); }

std::int16_t cint(std::string_view text) { return cint(requireNumber(text)); }
std::int32_t clng(std::string_view text) { return clng(requireNumber(text)); }
std::uint8_t cbyte(std::string_view text) { return cbyte(requireNumber(text)); }

std::int16_t leadingInt16(std::string_view text) { return cint(val(text)); }
std::int32_t leadingInt32(std::string_view text) { return clng(val(text)); }

} // namespace kez::vb
