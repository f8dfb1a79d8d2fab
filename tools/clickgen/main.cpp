// clickgen: draws the key click the set plays for every digit when the user chose a click instead of DTMF
// tones: 12 ms of white noise that dies away within a few milliseconds, 8 kHz 16-bit mono, as a RIFF wave.
//   clickgen <wave file>
// The noise comes from a fixed seed, so every build writes the same bytes.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kSampleRate = 8000;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::size_t kSamples = 96; // 12 ms
constexpr double kDecaySamples = 16; // the level falls by e every 2 ms
constexpr double kPeak = 20000;      // about -4 dB below full scale
constexpr std::uint32_t kSeed = 0x4b455a;

std::vector<std::int16_t> clickSamples() {
    std::vector<std::int16_t> samples(kSamples);
    std::uint32_t state = kSeed;
    for (std::size_t n = 0; n < kSamples; ++n) {
        state = state * 214013u + 2531011u;
        const double noise = static_cast<double>((state >> 16) & 0x7fff) / 16383.5 - 1.0; // -1 .. 1
        samples[n] = static_cast<std::int16_t>(std::lround(kPeak * noise * std::exp(-double(n) / kDecaySamples)));
    }
    return samples;
}

void put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, static_cast<std::uint16_t>(value & 0xffff));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

// A canonical PCM wave: "RIFF", "WAVE", a 16-byte "fmt " chunk and the "data" chunk.
std::string riffWave(const std::vector<std::int16_t>& samples) {
    constexpr std::uint16_t kBlockAlign = kBitsPerSample / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBlockAlign);
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, kSampleRate);
    put32(out, kSampleRate * kBlockAlign);
    put16(out, kBlockAlign);
    put16(out, kBitsPerSample);
    out += "data";
    put32(out, dataBytes);
    for (const std::int16_t sample : samples)
        put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: clickgen <wave file>\n";
        return 2;
    }
    const std::filesystem::path path(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const std::string wave = riffWave(clickSamples());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(wave.data(), static_cast<std::streamsize>(wave.size())) || !file.flush()) {
        std::cerr << "clickgen: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}
