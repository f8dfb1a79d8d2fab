#pragma once
// Helpers for the DSP and play tests: the command-line oracles, raw sample files and wave files
// made by sox.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "kez/com/connection_point_container.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::sonwell::test {

using kez::test::CommandResult;
using kez::test::readBytes;
using kez::test::runCommand;
using kez::test::TempDir;
using kez::test::writeFile;

// Runs one of the Python oracles beside these tests with the system Python.
CommandResult RunPythonOracle(const std::string& script, std::vector<std::string> arguments);

void WriteSamples(const std::filesystem::path& path, const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> ReadSamples(const std::filesystem::path& path);
// Little-endian 16-bit samples; an odd last byte is left out.
std::vector<std::int16_t> SamplesOf(std::span<const std::uint8_t> bytes);

// The layouts the wave-file tests play, as sox output options: 8 and 16 bits, mono and stereo,
// 8000 to 44100 samples a second, mu-law.
inline constexpr std::array<const char*, 6> kWaveLayouts = {"-r 8000 -c 1 -b 8",     "-r 11025 -c 1 -b 16",
                                                            "-r 22050 -c 2 -b 16",   "-r 44100 -c 2 -b 8",
                                                            "-r 8000 -c 1 -e u-law", "-r 16000 -c 1 -b 16"};

// The "fmt " record and the samples of a wave file.
struct WaveChunks {
    std::vector<std::uint8_t> format, data;
};
// Half a second of 440 Hz at half scale, made by sox in `layout` as `file`; empty when sox fails.
WaveChunks SoxTone(const std::string& layout, const std::filesystem::path& file);

// The frequency from `low` to `high`, in half-hertz steps, with the most power (8000 samples a second).
double PeakFrequency(std::span<const std::int16_t> samples, double low, double high);

// Deterministic test signals of `count` samples: noise at several levels, tones with noise,
// full-scale square waves and silence, chosen by `kind` and `seed`.
std::vector<std::int16_t> NoisySignal(std::size_t count, unsigned kind, unsigned seed);

// Advises `sink` for `Events` the way a client does, through the source's connection-point
// container; the cookie, or kNoCookie when refused.
template <class Events, class Source>
com::Cookie AdviseEvents(const com::Ptr<Source>& source, const com::Ptr<com::Object>& sink) {
    com::Cookie cookie = com::kNoCookie;
    if (const auto container = com::query<com::IConnectionPointContainer>(source))
        container->Advise(Events::iid, sink, cookie);
    return cookie;
}

} // namespace kez::sonwell::test
