#pragma once
// 128-bit class, interface and library identifiers, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kez::com {

struct Guid {
    // The 16 bytes in the order the text shows them.
    std::array<std::uint8_t, 16> bytes{};

    // Accepts exactly the braced form, hex digits in either case; anything else gives nothing.
    static constexpr std::optional<Guid> parse(std::string_view text);
    // The braced form with upper-case hex digits, as the registry keys hold it.
    std::string str() const;

    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

namespace detail {

constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr bool isDashPosition(std::size_t i) { return i == 9 || i == 14 || i == 19 || i == 24; }

} // namespace detail

constexpr std::optional<Guid> Guid::parse(std::string_view text) {
    constexpr std::size_t kLength = 38;
    if (text.size() != kLength || text.front() != '{' || text.back() != '}') {
        return std::nullopt;
    }
    Guid guid;
    std::size_t byte = 0;
    for (std::size_t i = 1; i + 1 < kLength; ++i) {
        if (detail::isDashPosition(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const int high = detail::hexDigit(text[i]);
        const int low = detail::hexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        guid.bytes[byte++] = static_cast<std::uint8_t>(high << 4 | low);
        ++i;
    }
    return guid;
}

// Identifier constants: "{...}"_guid does not compile when the text is malformed.
consteval Guid operator""_guid(const char* text, std::size_t length) {
    const auto guid = Guid::parse(std::string_view(text, length));
    if (!guid) {
        throw "malformed identifier";
    }
    return *guid;
}

} // namespace kez::com

template <>
struct std::hash<kez::com::Guid> {
    std::size_t operator()(const kez::com::Guid& guid) const noexcept;
};
