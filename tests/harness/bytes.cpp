#include "bytes.h"

#include <cctype>
#include <stdexcept>

namespace kez::test {
namespace {

constexpr std::string_view kDigits = "0123456789abcdef";

int digitValue(char c) {
    const auto at = kDigits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == ':' || c == '-'; }

} // namespace

std::optional<Bytes> parseHex(std::string_view text) {
    Bytes bytes;
    int high = -1;
    for (const char c : text) {
        const int digit = digitValue(c);
        if (digit < 0) {
            if (high >= 0 || !isSeparator(c)) return std::nullopt;
        } else if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

Bytes hex(std::string_view text) {
    auto bytes = parseHex(text);
    if (!bytes) throw std::invalid_argument("not hex bytes: " + std::string(text));
    return std::move(*bytes);
}

std::string toHex(std::span<const std::uint8_t> bytes, std::string_view separator) {
    std::string text;
    for (const auto byte : bytes) {
        if (!text.empty()) text += separator;
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

} // namespace kez::test
