#pragma once
// Helpers for the DSP tests: scratch folders, running the command-line oracles, raw sample files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kez::sonwell::test {

// A fresh folder under the build tree, removed with its contents when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int exitCode;
    std::string output; // stdout only
};

// Runs a shell command line; stderr passes through to the test log.
CommandResult RunCommand(const std::string& commandLine);

// Runs one of the Python oracles beside these tests with the system Python.
CommandResult RunPythonOracle(const std::string& script, const std::string& arguments);

std::string Quoted(const std::filesystem::path& path);

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteSamples(const std::filesystem::path& path, const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> ReadSamples(const std::filesystem::path& path);

// Deterministic test signals of `count` samples: noise at several levels, tones with noise,
// full-scale square waves and silence, chosen by `kind` and `seed`.
std::vector<std::int16_t> NoisySignal(std::size_t count, unsigned kind, unsigned seed);

} // namespace kez::sonwell::test
