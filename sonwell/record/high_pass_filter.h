#pragma once
// The recorder's fixed high-pass filter: a second-order recursive section (a 300 Hz Butterworth
// at 8000 samples a second) that removes hum and handling noise before encoding.
#include <cstdint>
#include <span>

namespace kez::sonwell {

class HighPassFilter {
public:
    // y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2]
    static constexpr double kB0 = 0.846459;
    static constexpr double kB1 = -1.69292;
    static constexpr double kB2 = 0.846459;
    static constexpr double kA1 = 1.6692;
    static constexpr double kA2 = -0.716634;

    // Forgets the history, as at the start of a recording.
    void reset();
    // Filters in place with the history carried on from the previous call. Outputs beyond the
    // 16-bit range (the filter overshoots on loud low-frequency input) saturate.
    void apply(std::span<std::int16_t> samples);

private:
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

} // namespace kez::sonwell
