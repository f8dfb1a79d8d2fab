#include "kez/sys/tick.h"

#include <ctime>

#include "test_time.h"

namespace kez::sys {
namespace {

Tick monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<Tick>(ms); // wraps at 2^32 like the tick the timers are written against
}

} // namespace

Tick tickMs() { return detail::testClockInstalled() ? detail::testTick() : monotonicMs(); }

} // namespace kez::sys
