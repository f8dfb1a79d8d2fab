#pragma once
// The periods of the engine's worker threads, in one place. Tests divide them all by a scale
// so that a 15 s switch-over takes a fraction of a second.
#include <chrono>

#include "kez/sys/wait.h"

namespace kez::corvane::timing {

using std::chrono::milliseconds;

inline constexpr milliseconds kStatusPeriod{5000};
inline constexpr milliseconds kFlowControlPeriod{1000};
inline constexpr milliseconds kBindingCheckPeriod{10000};
inline constexpr milliseconds kLayer3Wait{15000};
inline constexpr milliseconds kWaveIdlePeriod{1000};
// The play object settles after StartStreaming before the engine first uses it.
inline constexpr milliseconds kWavePlaySettle{100};

// Test only: every period is divided by `divisor` (1, the default, is real time).
void setTimeScale(unsigned divisor);

// `period` under the scale; kInfinite stays infinite, and a scaled period never drops below 1 ms.
sys::Timeout scaled(sys::Timeout period);

} // namespace kez::corvane::timing
