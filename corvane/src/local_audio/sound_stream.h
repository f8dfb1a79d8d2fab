#pragma once
// The streams the engine's members start and end themselves: waiting while one plays, and
// removing it again with the member's first failure kept as its error.
#include <cstdint>
#include <functional>

#include "kez/com/hresult.h"
#include "kez/sys/wait.h"
#include "sonwell/wave_play.h"

namespace kez::corvane {

// Call-progress tone n is row 16 + n of the country's tone table; rows 0-15 are the DTMF keys.
inline constexpr std::int16_t kCallProgressRows = 16;

struct StreamPolling {
    std::uint32_t stepMs;
    // The last wait is only what is left of the time (else always a whole step).
    bool shortLastStep;
};

// A failure of the play object as the engine's error; success passes through.
com::HRESULT playObjectResult(com::HRESULT hr);

// Asks whether `stream` still plays, waiting with `wait` between the asks, until it has ended
// or `remainingMs` have been waited. A failing ask is reported as the engine's error.
com::HRESULT waitWhilePlaying(sonwell::IWavePlay& play, std::int32_t stream, std::uint64_t remainingMs,
                              StreamPolling polling, const std::function<void(sys::Timeout)>& wait);

// Deletes `stream`; when `earlier` failed, that failure and its error object are the result.
com::HRESULT deleteStream(sonwell::IWavePlay& play, std::int32_t stream, com::HRESULT earlier = com::S_OK);

} // namespace kez::corvane
