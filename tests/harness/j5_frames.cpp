#include "j5_frames.h"

namespace kez::test {
namespace {

Bytes addresses(const MacAddress& to, const MacAddress& from) {
    Bytes frame;
    appendMac(frame, to);
    appendMac(frame, from);
    return frame;
}

} // namespace

void appendMac(Bytes& frame, const MacAddress& mac) { frame.insert(frame.end(), mac.begin(), mac.end()); }

void append16(Bytes& frame, unsigned value) {
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
    frame.push_back(static_cast<std::uint8_t>(value));
}

Bytes ethernetFrame(const MacAddress& to, const MacAddress& from, std::uint16_t type,
                    std::span<const std::uint8_t> body) {
    Bytes frame = addresses(to, from);
    append16(frame, type);
    return frame + body;
}

Bytes padded(Bytes frame) {
    if (frame.size() < 60) frame.resize(60, 0);
    return frame;
}

Bytes j5Part(std::size_t length, std::uint8_t seed) {
    Bytes part{'H', 'R'};
    for (std::size_t i = 2; i < length; ++i)
        part.push_back(static_cast<std::uint8_t>(seed + i));
    return part;
}

Bytes j5Frame(const MacAddress& to, const MacAddress& from, std::span<const std::uint8_t> part,
              std::optional<unsigned> tci) {
    if (!tci) return padded(ethernetFrame(to, from, kJ5EtherType, part));
    Bytes tagged;
    append16(tagged, *tci);
    append16(tagged, kJ5EtherType);
    return padded(ethernetFrame(to, from, 0x8100, tagged + part));
}

Bytes plainFrame(const MacAddress& to, const MacAddress& from, std::size_t partLength, std::uint8_t seed) {
    return j5Frame(to, from, j5Part(partLength, seed));
}

Bytes taggedFrame(const MacAddress& to, const MacAddress& from, unsigned tci) {
    return j5Frame(to, from, j5Part(42), tci);
}

Bytes etherTypeFrame(const MacAddress& to, const MacAddress& from, unsigned type) {
    return ethernetFrame(to, from, static_cast<std::uint16_t>(type), j5Part(46));
}

Bytes snapFrame(const MacAddress& to, const MacAddress& from, bool maker, std::uint16_t protocol,
                std::optional<unsigned> tci) {
    Bytes frame = addresses(to, from);
    if (tci) {
        append16(frame, 0x8100);
        append16(frame, *tci);
    }
    const Bytes part = j5Part(30);
    const std::size_t skipped = maker ? 2 : 0; // the maker's protocol is the J5 type itself
    append16(frame, static_cast<unsigned>(8 + part.size() - skipped));
    frame.insert(frame.end(), {0xAA, 0xAA, 0x03});
    if (maker) {
        frame.insert(frame.end(), {0x02, 0x5A, 0x4E});
    } else {
        frame.insert(frame.end(), {0x00, 0x00, 0x00});
    }
    append16(frame, protocol);
    frame.insert(frame.end(), part.begin() + static_cast<std::ptrdiff_t>(skipped), part.end());
    return padded(frame);
}

Bytes huFrame(const MacAddress& to, const MacAddress& from, std::uint8_t marker, std::size_t size) {
    Bytes part{'H', 'U'};
    appendMac(part, from);
    part.resize(18, 0);
    part.push_back(marker);
    Bytes frame = ethernetFrame(to, from, kJ5EtherType, part);
    frame.resize(size, 0);
    return frame;
}

Bytes haPart(const MacAddress& from, std::span<const std::uint8_t> audio) {
    Bytes part{'H', 'A'};
    appendMac(part, from);
    return part + audio;
}

Bytes haFrame(const MacAddress& to, const MacAddress& from, std::span<const std::uint8_t> audio) {
    return ethernetFrame(to, from, kJ5EtherType, haPart(from, audio));
}

} // namespace kez::test
