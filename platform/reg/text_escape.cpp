#include "text_escape.h"

namespace kez::reg {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

} // namespace

void appendHexByte(std::string& out, std::uint8_t byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

bool readHexByte(std::string_view text, std::size_t pos, std::uint8_t& byte) {
    if (pos + 2 > text.size()) return false;
    const int high = hexDigit(text[pos]);
    const int low = hexDigit(text[pos + 1]);
    if (high < 0 || low < 0) return false;
    byte = static_cast<std::uint8_t>(high << 4 | low);
    return true;
}

std::string quoteText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (isControl(byte)) {
            out += "\\x";
            appendHexByte(out, byte);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

bool unquoteText(std::string_view text, std::size_t& pos, std::string& out) {
    out.clear();
    if (pos >= text.size() || text[pos] != '"') return false;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (isControl(static_cast<unsigned char>(c))) return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return false;
        if (text[i] == '\\' || text[i] == '"') {
            out += text[i];
        } else if (text[i] == 'x') {
            std::uint8_t byte = 0;
            if (!readHexByte(text, i + 1, byte)) return false;
            out += static_cast<char>(byte);
            i += 2;
        } else {
            return false;
        }
    }
    return false;
}

std::string escapeKeyName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '[' || c == ']' || isControl(byte)) {
            out += '%';
            appendHexByte(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

bool unescapeKeyName(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isControl(static_cast<unsigned char>(c)) || c == '[' || c == ']') return false;
        if (c != '%') {
            out += c;
            continue;
        }
        std::uint8_t byte = 0;
        if (!readHexByte(text, i + 1, byte)) return false;
        out += static_cast<char>(byte);
        i += 2;
    }
    return true;
}

} // namespace kez::reg
