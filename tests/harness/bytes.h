#pragma once
// Bytes written as hex text and back, for expected frames and for lines exchanged with peers.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kez::test {

using Bytes = std::vector<std::uint8_t>;

// Hex digits in pairs, with white space, colons or dashes allowed between the pairs ("-" alone is no
// bytes); nullopt for any other character or an odd number of digits.
std::optional<Bytes> parseHex(std::string_view text);
// The same for texts a test writes itself: throws std::invalid_argument on a mistake.
Bytes hex(std::string_view text);
// Two lower-case digits a byte, with `separator` between bytes.
std::string toHex(std::span<const std::uint8_t> bytes, std::string_view separator = "");

inline Bytes zeros(std::size_t count) { return Bytes(count, 0); }

inline Bytes operator+(Bytes first, std::span<const std::uint8_t> second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace kez::test
