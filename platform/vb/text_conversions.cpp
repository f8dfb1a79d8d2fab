#include "kez/vb/conversions.h"

namespace kez::vb {
namespace {

std::string upperHex(std::uint32_t bits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    return text;
}

} // namespace

std::string_view boolText(bool value) { return value ? "True" : "False"; }

bool isTrueText(std::string_view text) { return text == "True"; }

std::string hex(std::int16_t value) { return upperHex(static_cast<std::uint16_t>(value)); }
std::string hex(std::int32_t value) { return upperHex(static_cast<std::uint32_t>(value)); }
std::string hex(std::uint32_t value) { return upperHex(value); }

std::string decimalText(std::int64_t value) { return std::to_string(value); }

std::string trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

} // namespace kez::vb
