#pragma once
// IMA ADPCM in this system's block layout: a little-endian header of the block's first sample and
// its starting step index, then four 4-bit codes per little-endian 16-bit word, first code lowest.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kez::sonwell {

inline constexpr std::size_t kImaBlockHeaderBytes = 4;
inline constexpr int kImaMaxStepIndex = 88;

// Bytes of a block holding `samples` samples (the first in the header, the rest as codes).
constexpr std::size_t ImaAdpcmBlockBytes(std::size_t samples) {
    return samples == 0 ? 0 : kImaBlockHeaderBytes + 2 * ((samples - 1 + 3) / 4);
}

// Samples a block of `bytes` bytes can give: the header sample and two codes per further byte.
constexpr std::size_t ImaAdpcmBlockSamples(std::size_t bytes) {
    return bytes < kImaBlockHeaderBytes ? 0 : 1 + 2 * (bytes - kImaBlockHeaderBytes);
}

inline constexpr std::size_t kRealTimeBlockSamples = 192;
inline constexpr std::size_t kRealTimeBlockBytes = ImaAdpcmBlockBytes(kRealTimeBlockSamples);
inline constexpr std::size_t kReliableBlockSamples = 505;
inline constexpr std::size_t kReliableBlockBytes = ImaAdpcmBlockBytes(kReliableBlockSamples);
static_assert(kRealTimeBlockBytes == 100 && kReliableBlockBytes == 256);

// Decodes out.size() samples, or fewer when the block holds fewer; returns the count written.
// The header's step index comes from the network and is clamped to 0..88.
std::size_t ImaAdpcmDecode(std::span<std::int16_t> out, std::span<const std::uint8_t> block);

// Encodes all of `in` into one block and returns its length in bytes; returns 0 and changes nothing
// when `in` is empty or `block` is too short. The step index runs on from `stepIndex` and the final
// index is written back to it, while the predictor restarts from each block's first sample.
std::size_t ImaAdpcmEncode(std::span<std::uint8_t> block, std::span<const std::int16_t> in, int& stepIndex);

} // namespace kez::sonwell
