#include "high_pass_filter.h"

#include <algorithm>
#include <limits>

namespace kez::sonwell {

void HighPassFilter::reset() { x1_ = x2_ = y1_ = y2_ = 0; }

void HighPassFilter::apply(std::span<std::int16_t> samples) {
    constexpr double kLowest = std::numeric_limits<std::int16_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int16_t>::max();
    for (auto& sample : samples) {
        const double x = sample;
        const double y = kB0 * x + kB1 * x1_ + kB2 * x2_ + kA1 * y1_ + kA2 * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        // Truncated towards zero like the stored sample always was, but clamped first: a
        // converted out-of-range value would be undefined and wraps into a loud click.
        sample = static_cast<std::int16_t>(std::clamp(y, kLowest, kHighest));
    }
}

} // namespace kez::sonwell
