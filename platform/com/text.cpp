#include "kez/com/text.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kez::com {

namespace {

// Code points of the bytes 0x80..0x9F; the rest of 0xA0..0xFF equal their Latin-1 code points.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t codePointOf(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char windows1252Of(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

struct LeadByte {
    std::size_t continuationBytes;
    char32_t bits;
    char32_t minimum; // smallest code point this length may encode
};

std::optional<LeadByte> leadByteOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return LeadByte{1, lead & 0x1Fu, 0x80};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return LeadByte{2, lead & 0x0Fu, 0x800};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return LeadByte{3, lead & 0x07u, 0x10000};
    }
    return std::nullopt;
}

// Decodes one UTF-8 sequence at `pos` and moves past it; a malformed one yields U+FFFD and one byte.
char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    constexpr char32_t kInvalid = 0xFFFD;
    const auto first = static_cast<unsigned char>(text[pos++]);
    if (first < 0x80) {
        return first;
    }
    const auto lead = leadByteOf(first);
    if (!lead || text.size() - pos < lead->continuationBytes) {
        return kInvalid;
    }
    char32_t c = lead->bits;
    for (std::size_t i = 0; i < lead->continuationBytes; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return kInvalid;
        }
        c = c << 6 | (next & 0x3Fu);
    }
    if (c < lead->minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return kInvalid;
    }
    pos += lead->continuationBytes;
    return c;
}

} // namespace

std::string utf8FromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        appendUtf8(out, codePointOf(static_cast<unsigned char>(byte)));
    }
    return out;
}

std::string windows1252FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        out += windows1252Of(decodeUtf8(text, pos));
    }
    return out;
}

} // namespace kez::com
