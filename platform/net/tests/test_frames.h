#pragma once
// Frames for packet-port tests, built byte by byte from the framing tables.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kez/net/mac_address.h"

namespace kez::net::testing {

using Bytes = std::vector<std::uint8_t>;

inline void appendMac(Bytes& frame, const MacAddress& mac) { frame.insert(frame.end(), mac.begin(), mac.end()); }
inline void append16(Bytes& frame, unsigned value) {
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
    frame.push_back(static_cast<std::uint8_t>(value));
}

// A recognisable J5 part: the type "HR" and a counting payload.
inline Bytes j5Part(std::size_t length, std::uint8_t seed = 0) {
    Bytes part{'H', 'R'};
    for (std::size_t i = 2; i < length; ++i)
        part.push_back(static_cast<std::uint8_t>(seed + i));
    return part;
}

inline Bytes padded(Bytes frame) {
    if (frame.size() < 60) frame.resize(60, 0);
    return frame;
}

inline Bytes plainFrame(const MacAddress& to, const MacAddress& from, std::size_t partLength = 46,
                        std::uint8_t seed = 0) {
    Bytes frame;
    appendMac(frame, to);
    appendMac(frame, from);
    append16(frame, 0x88B5);
    const Bytes part = j5Part(partLength, seed);
    frame.insert(frame.end(), part.begin(), part.end());
    return padded(frame);
}

inline Bytes taggedFrame(const MacAddress& to, const MacAddress& from, unsigned tci) {
    Bytes frame;
    appendMac(frame, to);
    appendMac(frame, from);
    append16(frame, 0x8100);
    append16(frame, tci);
    append16(frame, 0x88B5);
    const Bytes part = j5Part(42);
    frame.insert(frame.end(), part.begin(), part.end());
    return padded(frame);
}

// LLC/SNAP with OUI 00 00 00 (protocol 0x88B5) or the maker's 02 5A 4E (protocol = J5 type).
inline Bytes snapFrame(const MacAddress& to, const MacAddress& from, bool maker, std::uint16_t protocol,
                       std::optional<unsigned> tci = std::nullopt) {
    Bytes frame;
    appendMac(frame, to);
    appendMac(frame, from);
    if (tci) {
        append16(frame, 0x8100);
        append16(frame, *tci);
    }
    const Bytes part = j5Part(30);
    append16(frame, static_cast<unsigned>(8 + part.size() - (maker ? 2 : 0)));
    frame.insert(frame.end(), {0xAA, 0xAA, 0x03});
    if (maker) {
        frame.insert(frame.end(), {0x02, 0x5A, 0x4E});
    } else {
        frame.insert(frame.end(), {0x00, 0x00, 0x00});
    }
    append16(frame, protocol);
    frame.insert(frame.end(), part.begin() + (maker ? 2 : 0), part.end());
    return padded(frame);
}

inline Bytes etherTypeFrame(const MacAddress& to, const MacAddress& from, unsigned type) {
    Bytes frame;
    appendMac(frame, to);
    appendMac(frame, from);
    append16(frame, type);
    const Bytes part = j5Part(46);
    frame.insert(frame.end(), part.begin(), part.end());
    return frame;
}

inline std::string toHex(const Bytes& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const auto byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

inline std::optional<Bytes> fromHex(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    Bytes bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

inline constexpr MacAddress kStationA{0x02, 0x00, 0x00, 0x00, 0x00, 0x0a};
inline constexpr MacAddress kStationB{0x02, 0x00, 0x00, 0x00, 0x00, 0x0b};
inline constexpr MacAddress kStranger{0x02, 0x00, 0x00, 0x00, 0x00, 0x0c};
inline constexpr MacAddress kGroup1{0x01, 0x00, 0x5e, 0x00, 0x00, 0x01};
inline constexpr MacAddress kGroup2{0x03, 0x00, 0x00, 0x00, 0x00, 0x02};
inline constexpr MacAddress kGroup3{0x01, 0x00, 0x5e, 0x7f, 0x00, 0x03};

} // namespace kez::net::testing
