#pragma once
// The system tick: milliseconds since an arbitrary start, wrapping at 2^32 like the
// Windows tick the protocol timers are written against. Tests install a TestClock.
#include <cstdint>

namespace kez::sys {

using Tick = std::uint32_t;

// Current tick; from CLOCK_MONOTONIC unless a TestClock is installed.
Tick tickMs();

// Milliseconds from `earlier` to `later`, correct across one wrap.
constexpr Tick ticksSince(Tick earlier, Tick later) { return later - earlier; }

// While alive, tickMs() returns this clock's value in every thread of the process.
class TestClock {
public:
    explicit TestClock(Tick start = 0);
    ~TestClock();
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void set(Tick now);
    void advance(Tick ms);
    Tick now() const;
};

} // namespace kez::sys
