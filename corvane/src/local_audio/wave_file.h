#pragma once
// A wave file as the play object takes it: the format block as signed bytes, the samples as
// unsigned bytes, and the play time.
#include <cstdint>
#include <string>

#include "kez/com/hresult.h"
#include "kez/com/variant.h"

namespace kez::corvane {

struct WaveFileImage {
    com::Variant format, samples;
    std::uint64_t durationMs = 0;
};

// A file that is missing or damaged, or whose format gives no play time, fails with
// ENGINE_WAVEFILE_ERROR "Wave file open error"; the error object says so.
com::HRESULT loadWaveFile(const std::string& fileName, WaveFileImage& image);

} // namespace kez::corvane
