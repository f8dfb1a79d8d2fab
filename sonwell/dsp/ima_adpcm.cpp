#include "sonwell/ima_adpcm.h"

#include <algorithm>
#include <array>

namespace kez::sonwell {
namespace {

constexpr std::array<std::int16_t, kImaMaxStepIndex + 1> kStepSize = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<std::int8_t, 16> kIndexAdjust = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// Predictor and step index, advanced the same way by encoder and decoder.
struct Channel {
    int predictor;
    int index;

    std::int16_t Apply(int code) {
        const int step = kStepSize[index];
        int difference = step >> 3;
        if (code & 4) difference += step;
        if (code & 2) difference += step >> 1;
        if (code & 1) difference += step >> 2;
        predictor += (code & 8) ? -difference : difference;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kIndexAdjust[code], 0, kImaMaxStepIndex);
        return static_cast<std::int16_t>(predictor);
    }

    int Encode(int sample) {
        int step = kStepSize[index];
        int difference = sample - predictor;
        int code = 0;
        if (difference < 0) {
            code = 8;
            difference = -difference;
        }
        if (difference >= step) {
            code |= 4;
            difference -= step;
        }
        step >>= 1;
        if (difference >= step) {
            code |= 2;
            difference -= step;
        }
        step >>= 1;
        if (difference >= step) code |= 1;
        Apply(code);
        return code;
    }
};

int ClampIndex(int index) { return std::clamp(index, 0, kImaMaxStepIndex); }

std::uint16_t ReadWord(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void WriteWord(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

} // namespace

std::size_t ImaAdpcmDecode(std::span<std::int16_t> out, std::span<const std::uint8_t> block) {
    const std::size_t count = std::min(out.size(), ImaAdpcmBlockSamples(block.size()));
    if (count == 0) return 0;
    const auto first = static_cast<std::int16_t>(ReadWord(block, 0));
    const auto headerIndex = static_cast<std::int16_t>(ReadWord(block, 2));
    Channel channel{first, ClampIndex(headerIndex)};
    out[0] = first;
    const std::uint8_t* codes = block.data() + kImaBlockHeaderBytes;
    std::size_t produced = 1;
    for (; produced + 1 < count; produced += 2) {
        const std::uint8_t pair = *codes++;
        out[produced] = channel.Apply(pair & 0x0F);
        out[produced + 1] = channel.Apply(pair >> 4);
    }
    if (produced < count) out[produced] = channel.Apply(*codes & 0x0F);
    return count;
}

std::size_t ImaAdpcmEncode(std::span<std::uint8_t> block, std::span<const std::int16_t> in, int& stepIndex) {
    const std::size_t bytes = ImaAdpcmBlockBytes(in.size());
    if (bytes == 0 || block.size() < bytes) return 0;
    Channel channel{in[0], ClampIndex(stepIndex)};
    WriteWord(block, 0, static_cast<std::uint16_t>(in[0]));
    WriteWord(block, 2, static_cast<std::uint16_t>(channel.index));
    std::uint8_t* codes = block.data() + kImaBlockHeaderBytes;
    std::size_t next = 1;
    for (; next + 1 < in.size(); next += 2) {
        const int low = channel.Encode(in[next]);
        const int high = channel.Encode(in[next + 1]);
        *codes++ = static_cast<std::uint8_t>(low | high << 4);
    }
    std::fill(codes, block.data() + bytes, std::uint8_t{0});
    if (next < in.size()) *codes = static_cast<std::uint8_t>(channel.Encode(in[next]));
    stepIndex = channel.index;
    return bytes;
}

} // namespace kez::sonwell
