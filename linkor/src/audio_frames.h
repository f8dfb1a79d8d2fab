#pragma once
// What the two audio message classes share: frame headers, and the first two 16-bit data
// words of a frame, which travel big-endian while the codecs want them in host order.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace kez::linkor {

inline constexpr std::size_t kFrameCount = 8;
inline constexpr std::size_t kFirstFrame = 10;
inline constexpr std::size_t kFrameHeader = 4;
inline constexpr std::size_t kFrameFormatAt = 0;
inline constexpr std::size_t kFrameFlagsAt = 1;
inline constexpr std::size_t kFrameSeqAt = 2;
inline constexpr std::size_t kLeadingWords = 4;

// Turns the first two 16-bit words between host order and big-endian (either way: the
// operation is its own inverse). Data shorter than the two words is left alone.
inline void convertLeadingWords(std::span<std::uint8_t> data)
{
    if constexpr (std::endian::native == std::endian::little) {
        if (data.size() >= kLeadingWords) {
            std::swap(data[0], data[1]);
            std::swap(data[2], data[3]);
        }
    }
}

} // namespace kez::linkor
