#pragma once
// The format block every play device and stream works with: frame and buffer sizes, the
// device's sample format, and the comfort noise that real-time streams play in gaps.
#include "kez/audio/format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kez::sonwell {

inline constexpr std::size_t kWaveHeaderBytes = 44;

struct PlayFormat {
    std::int32_t samplesPerFrame = 192; // lSampleSize
    std::int32_t bufferCount = 5;       // lBufferDelay
    std::int32_t framesPerBuffer = 1;   // lBufferMultiplier
    audio::PcmFormat device = audio::kTelephoneFormat;
    std::array<std::uint8_t, kWaveHeaderBytes> comfortHeader{};
    std::vector<std::int16_t> comfortData;

    int sampleShift() const { return device.bits == 16 ? 1 : 0; }
    std::size_t frameSamples() const { return static_cast<std::size_t>(samplesPerFrame); }
    std::size_t samplesPerBuffer() const {
        return std::size_t{device.channels} * static_cast<std::size_t>(framesPerBuffer) * frameSamples();
    }
    std::size_t fullBufferBytes() const { return samplesPerBuffer() << sampleShift(); }
    // Computed from the sample count, so a frame longer than a second's bytes cannot divide by zero.
    std::uint32_t msPerBuffer() const {
        return static_cast<std::uint32_t>(samplesPerBuffer() * 1000 / (std::size_t{device.rate} * device.channels));
    }
    std::uint32_t msPerFrame() const { return static_cast<std::uint32_t>(frameSamples() * 1000 / device.rate); }
};

// True when every size is positive, a frame lasts at least a millisecond and the ring holds two
// buffers (the sound server needs a period queued while the next one is mixed).
bool usablePlayFormat(const PlayFormat& format);

// Copies the canonical header and the samples it announces (bounded by what `resource` holds).
// False for a resource shorter than its header.
bool loadComfortNoise(std::span<const std::uint8_t> resource, PlayFormat& format);

// The comfort-noise resource: a canonical 16-bit wave of low-level noise, made once.
std::span<const std::uint8_t> comfortNoiseResource();

} // namespace kez::sonwell
