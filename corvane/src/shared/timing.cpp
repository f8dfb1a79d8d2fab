#include "timing.h"

#include <algorithm>
#include <atomic>

namespace kez::corvane::timing {
namespace {
std::atomic<unsigned> divisor_{1};
}

void setTimeScale(unsigned divisor) { divisor_ = std::max(divisor, 1u); }

sys::Timeout scaled(sys::Timeout period) {
    if (period == sys::kInfinite) return period;
    return std::max(period / divisor_.load(), sys::Timeout{1});
}

} // namespace kez::corvane::timing
