#include "test_support.h"

#include "signal_analysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <tuple>

namespace kez::sonwell::test {
namespace fs = std::filesystem;

CommandResult RunPythonOracle(const std::string& script, std::vector<std::string> arguments) {
    const fs::path scriptPath = fs::path(KEZ_SOURCE_DIR) / "sonwell" / "tests" / script;
    arguments.insert(arguments.begin(), {KEZ_PYTHON, "-W", "ignore", scriptPath.string()});
    return runCommand(arguments, {"PYTHONDONTWRITEBYTECODE=1"});
}

void WriteSamples(const fs::path& path, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (const std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    if (!writeFile(path, bytes)) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::int16_t> ReadSamples(const fs::path& path) { return SamplesOf(readBytes(path)); }

std::vector<std::int16_t> SamplesOf(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

WaveChunks SoxTone(const std::string& layout, const fs::path& file) {
    WaveChunks chunks;
    const auto made =
        runCommand(kez::test::shellCommand("sox -n $1 \"$2\" synth 0.5 sine 440 vol 0.5", {layout, file.string()}));
    if (made.exitCode != 0) return chunks;
    const std::vector<std::uint8_t> bytes = readBytes(file);
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::size_t size =
            bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | std::size_t{bytes[at + 7]} << 24;
        const auto body = bytes.begin() + static_cast<std::ptrdiff_t>(at + 8);
        const auto end = body + static_cast<std::ptrdiff_t>(std::min(size, bytes.size() - at - 8));
        if (std::equal(body - 8, body - 4, "fmt ")) chunks.format.assign(body, end);
        if (std::equal(body - 8, body - 4, "data")) chunks.data.assign(body, end);
        at += 8 + size + (size & 1);
    }
    return chunks;
}

double PeakFrequency(std::span<const std::int16_t> samples, double low, double high) {
    double best = low, bestPower = -1;
    for (double f = low; f <= high; f += 0.5)
        if (const double p = kez::test::GoertzelPower(samples, f); p > bestPower)
            std::tie(best, bestPower) = std::pair(f, p);
    return best;
}

std::vector<std::int16_t> NoisySignal(std::size_t count, unsigned kind, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const double level = std::array{30.0, 300.0, 3000.0, 12000.0, 40000.0}[kind % 5];
    const double frequency = 200.0 + 37.0 * (seed % 90);
    std::vector<std::int16_t> samples(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(n) / 8000.0;
        double value = level * noise(random);
        if (kind % 3 == 1) value += 20000.0 * std::sin(phase);
        if (kind % 7 == 3) value = std::sin(phase) >= 0 ? 32767.0 : -32768.0;
        if (kind % 11 == 5) value = 0.0;
        samples[n] = static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
    }
    return samples;
}

} // namespace kez::sonwell::test
