#pragma once
// Our reader of wave files: the RIFF chunk walk that finds a sound's format block and samples,
// with every size the file claims checked against what the file really holds.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <vector>

namespace kez::corvane {

// What a wave file holds for playing.
struct WaveImage {
    // The format block as the play object takes it: the 16 bytes of the "fmt " chunk, the
    // extra-size word (0 for PCM) and that many extra bytes.
    std::vector<std::uint8_t> format;
    // The bytes of the "data" chunk.
    std::vector<std::uint8_t> samples;
    // Never 0 in an image that was read.
    std::uint32_t bytesPerSecond = 0;

    // In 64 bits: ten minutes of CD audio already count past 32 bits in milliseconds x bytes.
    std::uint64_t durationMs() const { return std::uint64_t{samples.size()} * 1000 / bytesPerSecond; }
};

enum class WaveRead {
    Ok,
    CannotOpen, // missing, not a regular file, unreadable
    NotWave,    // the first chunk is not RIFF with form type WAVE
    Damaged,    // a chunk runs past its container or the file ends early
    NoFormat,   // no "fmt " chunk
    BadFormat,  // a format block too short for what it announces, or 0 bytes a second
    NoData,     // no "data" chunk
    NoMemory,
};

// Reads a wave file of `size` bytes from `in`; `image` is set only on Ok.
WaveRead readWave(std::istream& in, std::uint64_t size, WaveImage& image);
WaveRead readWaveFile(const std::filesystem::path& path, WaveImage& image);

} // namespace kez::corvane
