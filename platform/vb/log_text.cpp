// What a log line may hold: text from the network or a file could otherwise start false lines, drive a
// terminal that shows the log, or leave bytes that are not text.
#include <cstdint>
#include <string>
#include <string_view>

#include "kez/vb/log.h"

namespace kez::vb {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` (no overlong forms, surrogates or
// values past U+10FFFF), or 0 when there is none.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto within = [&](std::size_t i, unsigned char low, unsigned char high) {
        return i < text.size() && byte(i) >= low && byte(i) <= high;
    };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (!within(1, low, high)) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!within(i, 0x80, 0xBF)) return 0;
    return length;
}

void appendEscaped(std::string& out, unsigned char byte) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    out.append("\\x").push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
}

} // namespace

std::string escapeLogText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F)
                appendEscaped(out, byte);
            else
                out.push_back(static_cast<char>(byte));
            ++at;
            continue;
        }
        const std::size_t length = utf8Length(text.substr(at));
        // U+0080 to U+009F (C2 80 to C2 9F) are the C1 controls.
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if (length == 0 || c1) {
            const std::size_t bytes = c1 ? 2 : 1;
            for (std::size_t i = 0; i < bytes; ++i)
                appendEscaped(out, static_cast<unsigned char>(text[at + i]));
            at += bytes;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace kez::vb
