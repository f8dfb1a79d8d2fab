#include "number_scan.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

#include "kez/vb/runtime_error.h"

namespace kez::vb::detail {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

std::size_t countDigits(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - from;
}

// Radix numbers take the narrowest of 16 and 32 bits that holds them, as two's complement.
double radixValue(std::uint64_t bits) {
    if (bits <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

std::optional<ScannedNumber> scanRadix(std::string_view text) {
    std::size_t pos = 1;
    int radix = 8;
    if (pos < text.size() && (text[pos] == 'H' || text[pos] == 'h')) {
        radix = 16;
        ++pos;
    } else if (pos < text.size() && (text[pos] == 'O' || text[pos] == 'o')) {
        ++pos;
    } else if (pos >= text.size() || digitValue(text[pos]) >= 8) {
        return std::nullopt;
    }
    const std::size_t digitsFrom = pos;
    std::uint64_t bits = 0;
    for (; pos < text.size() && digitValue(text[pos]) < radix; ++pos) {
        bits = bits * static_cast<unsigned>(radix) + static_cast<unsigned>(digitValue(text[pos]));
        if (bits > kMax32) throw RuntimeError(error::kOverflow);
    }
    if (pos == digitsFrom) return ScannedNumber{0, pos, false};
    return ScannedNumber{radixValue(bits), pos, true};
}

// Decimal exponent of the leading significant digit, used only to tell overflow from underflow.
long long roughMagnitude(std::string_view whole, std::string_view fraction, long long exponent) {
    const auto firstSignificant = whole.find_first_not_of('0');
    if (firstSignificant != std::string_view::npos) {
        return static_cast<long long>(whole.size() - firstSignificant) - 1 + exponent;
    }
    const auto zeros = fraction.find_first_not_of('0');
    return -static_cast<long long>(zeros == std::string_view::npos ? fraction.size() : zeros) - 1 + exponent;
}

long long saturatedExponent(std::string_view digits, bool negative) {
    long long value = 0;
    for (char c : digits)
        value = value > 100000000 ? value : value * 10 + (c - '0');
    return negative ? -value : value;
}

std::optional<ScannedNumber> scanDecimal(std::string_view text) {
    std::size_t pos = 0;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    const std::string_view whole = text.substr(pos, countDigits(text, pos));
    pos += whole.size();
    std::string_view fraction;
    if (pos < text.size() && text[pos] == '.') {
        fraction = text.substr(pos + 1, countDigits(text, pos + 1));
        pos += 1 + fraction.size();
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;

    std::string_view exponentDigits;
    bool exponentNegative = false;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
        std::size_t at = pos + 1;
        exponentNegative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
        const std::size_t count = countDigits(text, at);
        if (count > 0) {
            exponentDigits = text.substr(at, count);
            pos = at + count;
        }
    }

    std::string normal = negative ? "-" : "";
    normal.append(whole.empty() ? "0" : whole).append(".").append(fraction.empty() ? "0" : fraction);
    if (!exponentDigits.empty()) normal.append(exponentNegative ? "e-" : "e").append(exponentDigits);

    double value = 0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (roughMagnitude(whole, fraction, saturatedExponent(exponentDigits, exponentNegative)) > 0) {
            throw RuntimeError(error::kOverflow);
        }
        value = negative ? -0.0 : 0.0;
    }
    return ScannedNumber{value, pos, true};
}

} // namespace

std::optional<ScannedNumber> scanNumber(std::string_view text) {
    if (!text.empty() && text.front() == '&') return scanRadix(text);
    return scanDecimal(text);
}

} // namespace kez::vb::detail
