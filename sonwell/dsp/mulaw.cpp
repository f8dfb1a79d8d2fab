#include "sonwell/mulaw.h"

#include <algorithm>
#include <array>

namespace kez::sonwell {
namespace {

constexpr int kBias = 132;
constexpr int kClip = 32635;

constexpr std::int16_t ExpandCode(std::uint8_t byte) {
    const int code = static_cast<std::uint8_t>(~byte);
    const int magnitude = (((code & 0x0F) << 3) + kBias) << ((code & 0x70) >> 4);
    return static_cast<std::int16_t>((code & 0x80) != 0 ? kBias - magnitude : magnitude - kBias);
}

constexpr std::array<std::int16_t, 256> MakeExpansionTable() {
    std::array<std::int16_t, 256> table{};
    for (int code = 0; code < 256; ++code) {
        table[code] = ExpandCode(static_cast<std::uint8_t>(code));
    }
    return table;
}

// Segment of a biased magnitude shifted right by 7: the position of its highest set bit.
constexpr std::array<std::uint8_t, 256> MakeSegmentTable() {
    std::array<std::uint8_t, 256> table{};
    for (int value = 2; value < 256; ++value) {
        table[value] = static_cast<std::uint8_t>(table[value / 2] + 1);
    }
    return table;
}

constexpr std::array<std::int16_t, 256> kExpansion = MakeExpansionTable();
constexpr std::array<std::uint8_t, 256> kSegment = MakeSegmentTable();
static_assert(kSegment[1] == 0 && kSegment[2] == 1 && kSegment[255] == 7);

std::uint8_t Compress(std::int16_t sample) {
    int magnitude = sample;
    int sign = 0;
    if (magnitude < 0) {
        magnitude = -magnitude;
        sign = 0x80;
    }
    const int biased = std::min(magnitude, kClip) + kBias;
    const int segment = kSegment[biased >> 7];
    const int mantissa = (biased >> (segment + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | segment << 4 | mantissa));
}

} // namespace

std::int16_t MuLawExpandSample(std::uint8_t code) { return kExpansion[code]; }

std::uint8_t MuLawCompressSample(std::int16_t sample) { return Compress(sample); }

std::size_t MuLawExpand(std::span<std::int16_t> out, std::span<const std::uint8_t> in) {
    const std::size_t count = std::min(out.size(), in.size());
    for (std::size_t i = 0; i < count; ++i)
        out[i] = kExpansion[in[i]];
    return count;
}

std::size_t MuLawCompress(std::span<std::uint8_t> out, std::span<const std::int16_t> in) {
    const std::size_t count = std::min(out.size(), in.size());
    for (std::size_t i = 0; i < count; ++i)
        out[i] = Compress(in[i]);
    return count;
}

} // namespace kez::sonwell
