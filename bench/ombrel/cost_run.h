#pragma once
// One run of the cost bench on its own private PulseAudio (a null sink; a microphone that hears a steady tone),
// X server and hives: ombrel in service against kezsim on the virtual wire, idle, then in a hands-free call to
// the echo line while two baresip instances hold a G.711 call on the same sound server.
#include <string>

#include "bench_builds.h"
#include "thread_usage.h"

namespace kez::bench {

struct CostRun {
    UsageFigures idle, call, baresip;
    std::string idleStreams, callStreams; // the sound server's streams half-way through and at the end
};

// Throws std::runtime_error when any step stalls, a process ends or the call breaks off: no figures then.
CostRun measureCost(const Build& build, const std::string& uiType);

} // namespace kez::bench
