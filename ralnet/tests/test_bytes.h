#pragma once
// Hex text and MAC text to bytes, for writing expected frames by hand.
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ralnet::test {

using Bytes = std::vector<std::uint8_t>;

// Hex digits with any separators (blanks, colons, dashes) between byte pairs.
inline Bytes hex(std::string_view text) {
    Bytes out;
    int high = -1;
    for (const char ch : text) {
        if (!std::isxdigit(static_cast<unsigned char>(ch))) continue;
        const int digit = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0' : (std::tolower(ch) - 'a' + 10);
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits");
    return out;
}

inline std::string toHex(const std::uint8_t* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

inline std::string toHex(const Bytes& bytes) { return toHex(bytes.data(), bytes.size()); }

inline Bytes zeros(std::size_t n) { return Bytes(n, 0); }

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace ralnet::test
