#include "kez/sys/tick.h"

#include <atomic>
#include <ctime>

namespace kez::sys {
namespace {

// Installed test clocks (nesting allowed; they share one value).
std::atomic<int> gTestClocks{0};
std::atomic<Tick> gTestNow{0};

Tick monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<Tick>(ms); // wraps at 2^32 like the tick the timers are written against
}

} // namespace

Tick tickMs() {
    if (gTestClocks.load(std::memory_order_acquire) > 0) return gTestNow.load(std::memory_order_acquire);
    return monotonicMs();
}

TestClock::TestClock(Tick start) {
    gTestNow.store(start, std::memory_order_release);
    gTestClocks.fetch_add(1, std::memory_order_acq_rel);
}

TestClock::~TestClock() { gTestClocks.fetch_sub(1, std::memory_order_acq_rel); }

void TestClock::set(Tick now) { gTestNow.store(now, std::memory_order_release); }

void TestClock::advance(Tick ms) { gTestNow.fetch_add(ms, std::memory_order_acq_rel); }

Tick TestClock::now() const { return gTestNow.load(std::memory_order_acquire); }

} // namespace kez::sys
