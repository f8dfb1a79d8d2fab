#include "kez/reg/hive_text.h"

#include "kez/reg/value_text.h"
#include "text_escape.h"

#include <cstdio>

namespace kez::reg {
namespace {

std::string hexList(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) out += ',';
        appendHexByte(out, bytes[i]);
    }
    return out;
}

bool isCanonicalText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0) return false;
    }
    return true;
}

// Entries each closed by a zero, then one more zero; no empty entry.
bool isCanonicalMultiText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const bool entryStart = i == 0 || bytes[i - 1] == 0;
        if (entryStart && bytes[i] == 0) return false;
    }
    return bytes.size() == 1 || bytes[bytes.size() - 2] == 0;
}

std::string quotedEntries(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] != 0) continue;
        if (!out.empty()) out += ',';
        out += quoteText(std::string_view(reinterpret_cast<const char*>(bytes.data()) + start, i - start));
        start = i + 1;
    }
    return out;
}

std::string textData(const char* tag, const std::vector<std::uint8_t>& bytes) {
    return std::string(tag) +
           quoteText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size() - 1));
}

} // namespace

std::string formatSectionLine(const std::vector<std::string>& path) {
    std::string out = "[";
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i != 0) out += '\\';
        out += escapeKeyName(path[i]);
    }
    out += ']';
    return out;
}

std::string formatValueData(const Value& value) {
    const auto& bytes = value.bytes;
    switch (value.type) {
    case Type::Sz:
        if (isCanonicalText(bytes)) return textData("sz:", bytes);
        break;
    case Type::ExpandSz:
        if (isCanonicalText(bytes)) return textData("expand_sz:", bytes);
        break;
    case Type::MultiSz:
        if (isCanonicalMultiText(bytes)) return "multi_sz:" + quotedEntries(bytes);
        break;
    case Type::Dword:
        if (std::uint32_t number = 0; readDword(value, number)) {
            char text[16];
            std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(number));
            return std::string("dword:") + text;
        }
        break;
    case Type::Binary: return "binary:" + hexList(bytes);
    default: break;
    }
    return "hex(" + std::to_string(static_cast<std::uint32_t>(value.type)) + "):" + hexList(bytes);
}

std::string formatValueLine(std::string_view name, const Value& value) {
    return (name.empty() ? std::string("@") : quoteText(name)) + "=" + formatValueData(value);
}

} // namespace kez::reg
