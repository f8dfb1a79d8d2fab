#include <array>
#include <optional>
#include <span>

#include "kez/com/safe_array.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

constexpr std::size_t kMacTextLength = 17;
constexpr std::size_t kMacBytes = 6;
constexpr std::size_t kIPBytes = 4;
constexpr std::int16_t kBackspace = 8;

com::Variant byteArray(std::span<const std::uint8_t> bytes) {
    return *com::SafeArray::fromBytes(com::ElementType::UI1, bytes);
}

// Two characters from 1-based position `position`.
std::string_view pair(std::string_view text, std::size_t position) { return text.substr(position - 1, 2); }

// A decimal field of digits only, 0 to 255.
std::optional<std::uint8_t> ipField(std::string_view field) {
    if (field.empty()) return std::nullopt;
    unsigned value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::array<std::uint8_t, kIPBytes>> ipBytes(std::string_view text) {
    std::array<std::uint8_t, kIPBytes> bytes{};
    for (std::size_t i = 0; i < kIPBytes; ++i) {
        const auto point = text.find('.');
        const bool last = i + 1 == kIPBytes;
        // The fourth field is the rest of the text; it must hold no further point.
        if (last != (point == std::string_view::npos)) return std::nullopt;
        const auto field = ipField(text.substr(0, point));
        if (!field) return std::nullopt;
        bytes[i] = *field;
        text.remove_prefix(last ? text.size() : point + 1);
    }
    return bytes;
}

bool isAsciiDigit(std::int16_t key) { return key >= '0' && key <= '9'; }
bool isAsciiLetter(std::int16_t key) { return (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z'); }

} // namespace

com::Variant gMacTextToBytes(std::string_view text) {
    if (text.size() < kMacTextLength) return {};
    std::array<std::uint8_t, kMacBytes> bytes{};
    for (std::size_t i = 0; i < kMacBytes; ++i) {
        const std::string field = "&H" + std::string(pair(text, 1 + 3 * i));
        if (!vb::isNumeric(field)) return {};
        bytes[i] = vb::cbyte(field);
    }
    return byteArray(bytes);
}

com::Variant gIPTextToBytes(std::string_view text) {
    const auto bytes = ipBytes(text);
    return bytes ? byteArray(*bytes) : com::Variant();
}

std::string gBytesToIPText(const com::Variant& bytes) {
    const auto* array = bytes.get<com::SafeArray>();
    if (array == nullptr) return "0.0.0.0";
    std::string text;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(kIPBytes); ++i) {
        const auto element = array->integerAt(i);
        if (!element) return "0.0.0.0";
        text.append(i == 0 ? "" : ".").append(vb::decimalText(*element));
    }
    return text;
}

bool gIsValidIPAddress(std::string_view text) { return ipBytes(text).has_value(); }

bool gIsValidMacAddress(std::string_view text) {
    if (text.size() != kMacTextLength) return false;
    return gIsHexPair(pair(text, 1), pair(text, 4)) && gIsHexPair(pair(text, 7), pair(text, 10)) &&
           gIsHexPair(pair(text, 13), pair(text, 16));
}

bool gIsHexPair(std::string_view a, std::string_view b) {
    try {
        vb::cint("&H" + std::string(b) + std::string(a));
        return true;
    } catch (const vb::RuntimeError&) {
        return false;
    }
}

std::int16_t gFilterMacKeyAscii(std::int16_t key) {
    return isAsciiDigit(key) || isAsciiLetter(key) || key == ':' || key == kBackspace ? key : 0;
}

std::int16_t gFilterIPKeyAscii(std::int16_t key) {
    return isAsciiDigit(key) || key == '.' || key == kBackspace ? key : 0;
}

} // namespace kez::ombrel
