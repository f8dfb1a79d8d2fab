#include "command_line.h"

#include "kez/reg/value_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace kez::kezreg {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

struct HiveAlias {
    std::string_view shortName;
    std::string_view longName;
    reg::Hive hive;
};

constexpr std::array<HiveAlias, 3> kHives{{
    {"HKLM", "HKEY_LOCAL_MACHINE", reg::Hive::LocalMachine},
    {"HKCU", "HKEY_CURRENT_USER", reg::Hive::CurrentUser},
    {"HKCR", "HKEY_CLASSES_ROOT", reg::Hive::ClassesRoot},
}};

std::optional<std::vector<std::uint8_t>> parseHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (const char c : text) {
        if (c == ',' || c == ' ') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += c;
    }
    if (digits.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::uint8_t byte = 0;
        std::from_chars(digits.data() + i, digits.data() + i + 2, byte, 16);
        bytes.push_back(byte);
    }
    return bytes;
}

std::optional<std::uint32_t> parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

std::vector<std::string> splitEntries(std::string_view text) {
    std::vector<std::string> entries;
    if (text.empty()) return entries;
    while (true) {
        const auto end = text.find("\\0");
        entries.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) return entries;
        text.remove_prefix(end + 2);
    }
}

std::optional<std::uint32_t> rawTypeNumber(std::string_view type) {
    if (type.size() < 6 || !equalsNoCase(type.substr(0, 4), "hex(") || type.back() != ')') return std::nullopt;
    const auto digits = type.substr(4, type.size() - 5);
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 10);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return number;
}

} // namespace

std::optional<KeyName> parseKeyName(std::string_view text) {
    const auto slash = text.find('\\');
    const auto hive = text.substr(0, slash);
    for (const auto& alias : kHives) {
        if (equalsNoCase(hive, alias.shortName) || equalsNoCase(hive, alias.longName)) {
            return KeyName{alias.hive, std::string(slash == std::string_view::npos ? "" : text.substr(slash + 1))};
        }
    }
    return std::nullopt;
}

const char* hiveName(reg::Hive hive) {
    for (const auto& alias : kHives) {
        if (alias.hive == hive) return alias.longName.data();
    }
    return "?";
}

std::optional<reg::Value> parseValue(std::string_view type, std::string_view data, std::string_view& problem) {
    problem = "bad TYPE or value";
    if (equalsNoCase(type, "REG_SZ") || equalsNoCase(type, "sz")) return reg::textValue(data, reg::Type::Sz);
    if (equalsNoCase(type, "REG_EXPAND_SZ") || equalsNoCase(type, "expand_sz")) {
        return reg::textValue(data, reg::Type::ExpandSz);
    }
    if (equalsNoCase(type, "REG_MULTI_SZ") || equalsNoCase(type, "multi_sz")) {
        const auto entries = splitEntries(data);
        if (std::ranges::any_of(entries, &std::string::empty)) {
            problem = "a REG_MULTI_SZ entry may not be empty (readers would stop there)";
            return std::nullopt;
        }
        return reg::multiTextValue(entries);
    }
    if (equalsNoCase(type, "REG_DWORD") || equalsNoCase(type, "dword")) {
        const auto number = parseNumber(data);
        if (!number) return std::nullopt;
        return reg::dwordValue(*number);
    }
    auto rawType = rawTypeNumber(type);
    if (equalsNoCase(type, "REG_BINARY") || equalsNoCase(type, "binary")) rawType = 3;
    if (!rawType) return std::nullopt;
    auto bytes = parseHex(data);
    if (!bytes) return std::nullopt;
    return reg::Value{static_cast<reg::Type>(*rawType), std::move(*bytes)};
}

} // namespace kez::kezreg
