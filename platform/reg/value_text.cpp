#include "kez/reg/value_text.h"

#include <cstdlib>

namespace kez::reg {
namespace {

void appendBytes(std::vector<std::uint8_t>& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

std::string_view asText(const Value& value) {
    return {reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size()};
}

} // namespace

Access accessFromMask(std::uint32_t mask) {
    constexpr std::uint32_t kReadBits = 0x1 | 0x8 | 0x10 | 0x80000000u | 0x10000000u;
    constexpr std::uint32_t kWriteBits = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000 | 0x40000000u | 0x10000000u;
    const bool reads = (mask & kReadBits) != 0;
    const bool writes = (mask & kWriteBits) != 0;
    if (reads && writes) return Access::ReadWrite;
    return writes ? Access::Write : Access::Read;
}

Value textValue(std::string_view text, Type type) {
    Value value{type, {}};
    appendBytes(value.bytes, text);
    value.bytes.push_back(0);
    return value;
}

Value multiTextValue(const std::vector<std::string>& entries) {
    Value value{Type::MultiSz, {}};
    for (const auto& entry : entries) {
        appendBytes(value.bytes, entry);
        value.bytes.push_back(0);
    }
    value.bytes.push_back(0);
    return value;
}

Value dwordValue(std::uint32_t number) {
    return {Type::Dword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

std::string readText(const Value& value) {
    auto text = asText(value);
    text = text.substr(0, text.find('\0'));
    return value.type == Type::ExpandSz ? expandEnvironment(text) : std::string(text);
}

std::vector<std::string> readMultiText(const Value& value) {
    std::vector<std::string> entries;
    auto text = asText(value);
    while (!text.empty()) {
        const auto end = text.find('\0');
        const auto entry = text.substr(0, end);
        if (entry.empty()) break;
        entries.emplace_back(entry);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return entries;
}

bool hidesMultiTextEntries(const Value& value) {
    if (value.type != Type::MultiSz) return false;
    const auto text = asText(value);
    const auto end = text.starts_with('\0') ? 0 : text.find(std::string_view("\0\0", 2));
    return end != std::string_view::npos && text.find_first_not_of('\0', end) != std::string_view::npos;
}

bool readDword(const Value& value, std::uint32_t& number) {
    if (value.type != Type::Dword || value.bytes.size() != 4) return false;
    const auto& b = value.bytes;
    number = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
    return true;
}

std::string expandEnvironment(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* setting = name.empty() ? nullptr : std::getenv(name.c_str());
        if (setting != nullptr) {
            out += setting;
            pos = close + 1;
        } else {
            // Kept as written; the closing '%' may open the next name.
            out.append(text.substr(open, close - open));
            pos = close;
        }
    }
    out.append(text.substr(pos));
    return out;
}

} // namespace kez::reg
