#pragma once
// Helpers for the DSP tests: the command-line oracles and raw sample files.

#include <cstdint>
#include <filesystem>
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
