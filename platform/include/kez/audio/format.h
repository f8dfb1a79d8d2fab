#pragma once
// Sample formats: what a device is opened with, and the wave format records of wave files.
#include "kez/audio/result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kez::audio {

// Linear PCM as a device plays it: 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct PcmFormat {
    std::uint32_t rate = 8000;
    std::uint16_t channels = 1;
    std::uint16_t bits = 16;

    std::size_t frameBytes() const { return std::size_t{channels} * (bits / 8u); }
    bool operator==(const PcmFormat&) const = default;
};

// The telephone's own format: 8,000 samples a second, 16-bit, mono.
inline constexpr PcmFormat kTelephoneFormat{};

// True for the layouts a device can be opened with (1 or 2 channels, 8 or 16 bits, 1..192,000 Hz).
bool isOpenable(const PcmFormat& format);

namespace wave_tag {
inline constexpr std::uint16_t kPcm = 1;
inline constexpr std::uint16_t kMuLaw = 7;
} // namespace wave_tag

// A wave format record (tag, channels, rate, bytes a second, block align, bits, extra bytes).
struct WaveFormat {
    std::uint16_t tag = wave_tag::kPcm;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint32_t bytesPerSecond = 16000;
    std::uint16_t blockAlign = 2;
    std::uint16_t bits = 16;
    std::vector<std::uint8_t> extra;

    bool operator==(const WaveFormat&) const = default;
};

// Reads a record of 16 bytes, or 18 + its extra size; refuses records too short for what they
// announce, and zero channels, rate or block align (BadFormat).
Result parseWaveFormat(std::span<const std::uint8_t> bytes, WaveFormat& out);
// The record of a device format as a wave file would carry it (tag PCM, no extra bytes).
WaveFormat waveFormatOf(const PcmFormat& format);

} // namespace kez::audio
