// Sizes of the format block and the comfort-noise resource.
#include "play_format.h"

#include <algorithm>
#include <cstring>

namespace kez::sonwell {
namespace {

constexpr std::uint32_t kComfortRate = 8000;
constexpr std::size_t kComfortSamples = kComfortRate; // one second, so the loop is not heard as a tone
constexpr std::size_t kDataLengthOffset = 40;

void putLe(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

// Noise about 62 dB below full scale: a sum of four uniform values from a fixed-seed generator,
// which is close to Gaussian and never the same twice within the loop.
std::vector<std::uint8_t> makeComfortNoise() {
    const std::uint32_t dataBytes = kComfortSamples * 2;
    std::vector<std::uint8_t> bytes(kWaveHeaderBytes + dataBytes);
    std::memcpy(bytes.data(), "RIFF", 4);
    putLe(bytes, 4, 36 + dataBytes, 4);
    std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
    putLe(bytes, 16, 16, 4);
    putLe(bytes, 20, 1, 2);
    putLe(bytes, 22, 1, 2);
    putLe(bytes, 24, kComfortRate, 4);
    putLe(bytes, 28, kComfortRate * 2, 4);
    putLe(bytes, 32, 2, 2);
    putLe(bytes, 34, 16, 2);
    std::memcpy(bytes.data() + 36, "data", 4);
    putLe(bytes, kDataLengthOffset, dataBytes, 4);
    std::uint32_t seed = 0x2545F491u;
    for (std::size_t i = 0; i < kComfortSamples; ++i) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            sum += static_cast<int>(seed >> 24) - 128;
        }
        putLe(bytes, kWaveHeaderBytes + 2 * i, static_cast<std::uint16_t>(static_cast<std::int16_t>(sum / 11)), 2);
    }
    return bytes;
}

} // namespace

bool usablePlayFormat(const PlayFormat& format) {
    return format.samplesPerFrame > 0 && format.framesPerBuffer > 0 && format.bufferCount >= 2 &&
           format.device.rate > 0 && format.device.channels > 0 && format.msPerFrame() > 0;
}

bool loadComfortNoise(std::span<const std::uint8_t> resource, PlayFormat& format) {
    if (resource.size() < kWaveHeaderBytes) return false;
    std::copy_n(resource.begin(), kWaveHeaderBytes, format.comfortHeader.begin());
    const std::size_t announced = getLe32(resource, kDataLengthOffset);
    const std::size_t bytes = std::min(announced, resource.size() - kWaveHeaderBytes) & ~std::size_t{1};
    format.comfortData.resize(bytes / 2);
    for (std::size_t i = 0; i < format.comfortData.size(); ++i) {
        const std::size_t at = kWaveHeaderBytes + 2 * i;
        format.comfortData[i] = static_cast<std::int16_t>(resource[at] | resource[at + 1] << 8);
    }
    return true;
}

std::span<const std::uint8_t> comfortNoiseResource() {
    static const std::vector<std::uint8_t> resource = makeComfortNoise();
    return resource;
}

} // namespace kez::sonwell
