#pragma once
// ASCII-only case rules: registry names, window titles, class names and format
// patterns fold A-Z alone, whatever the locale.
#include <algorithm>
#include <string>
#include <string_view>

namespace kez::sys {

constexpr char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string asciiLowerCopy(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), asciiLower);
    return lower;
}

// Orders as the upper-cased bytes do (so '_' sorts after the letters).
constexpr int compareNoCase(std::string_view a, std::string_view b) {
    const auto common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(asciiUpper(a[i]));
        const auto y = static_cast<unsigned char>(asciiUpper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

constexpr bool equalsNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

constexpr bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace kez::sys
