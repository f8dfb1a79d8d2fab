#include "test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

namespace kez::sonwell::test {
namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string pattern = (fs::path(KEZ_BINARY_DIR) / "sonwell-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create scratch folder");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

CommandResult RunCommand(const std::string& commandLine) {
    struct PipeCloser {
        void operator()(FILE* pipe) const { pclose(pipe); }
    };
    FILE* raw = popen(commandLine.c_str(), "r");
    if (raw == nullptr) return {-1, {}};
    std::unique_ptr<FILE, PipeCloser> pipe(raw);
    std::string output;
    std::array<char, 4096> chunk{};
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe.get()))
        output.append(chunk.data(), got);
    const int status = pclose(pipe.release());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

CommandResult RunPythonOracle(const std::string& script, const std::string& arguments) {
    const fs::path scriptPath = fs::path(KEZ_SOURCE_DIR) / "sonwell" / "tests" / script;
    return RunCommand("PYTHONDONTWRITEBYTECODE=1 " KEZ_PYTHON " -W ignore " + Quoted(scriptPath) + " " + arguments);
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteSamples(const fs::path& path, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (const std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    WriteBytes(path, bytes);
}

std::vector<std::int16_t> ReadSamples(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
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
