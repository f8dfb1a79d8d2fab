#pragma once
// Conversion of a wave file's samples to a device format: PCM of 8, 16, 24 or 32 bits and
// mu-law, any channel count (mixed down or copied up), any rate (libsamplerate).
#include "kez/audio/format.h"
#include "kez/audio/result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kez::audio {

// ConversionNotPossible for a source this cannot read; BadFormat for an unusable record or target.
// A trailing part frame of the source is ignored.
Result convertToDevice(const WaveFormat& source, std::span<const std::uint8_t> data, const PcmFormat& target,
                       std::vector<std::uint8_t>& out);

} // namespace kez::audio
