// What every play stream shares, and the tone stream.
#include "play_stream.h"

#include "kez/sys/trace.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace kez::sonwell {

void traceFailure(com::HRESULT hr, std::string_view function, std::string_view what) {
    char line[256];
    std::snprintf(line, sizeof line, "Error: %d in function %.*s - %.*s", static_cast<int>(hr),
                  static_cast<int>(function.size()), function.data(), static_cast<int>(what.size()), what.data());
    sys::trace("sonwell", line);
}

CPlayStream::CPlayStream(StreamKind kind, const PlayFormat& format, NodePool& pool, std::int32_t priority,
                         bool override)
    : format_(format), pool_(pool), override_(override), kind_(kind), priority_(priority) {}

void CPlayStream::addSamples(std::span<std::int32_t> to, std::span<const std::int16_t> from) const {
    const std::size_t n = std::min(to.size(), from.size());
    for (std::size_t i = 0; i < n; ++i)
        to[i] += from[i];
}

void CPlayStream::lessBuffered(std::size_t samples) {
    buffered_ = std::max<std::int32_t>(0, buffered_ - static_cast<std::int32_t>(samples));
}

ToneStream::ToneStream(const PlayFormat& format, NodePool& pool, int nTone, std::int16_t durationMs, int nCountry,
                       int toneStrength, std::int32_t priority, bool override)
    : CPlayStream(StreamKind::Tone, format, pool, priority, override), tone_(nTone), country_(nCountry),
      toneStrength_(toneStrength),
      remaining_(durationMs == -1 ? -1
                                  : std::int64_t{static_cast<std::uint16_t>(durationMs)} * format.device.rate / 1000) {
    active_ = remaining_ != 0;
}

// Tones sound whatever an overriding stream above them does, and never hide others.
com::HRESULT ToneStream::mixFrame(FrameMix& mix) {
    for (auto& value : mix.accumulator) {
        if (remaining_ == 0) break;
        value += GenerateToneSample(tone_, country_, state_) * toneStrength_ / 100;
        if (remaining_ > 0) --remaining_;
    }
    if (remaining_ == 0) active_ = false;
    return com::S_OK;
}

} // namespace kez::sonwell
