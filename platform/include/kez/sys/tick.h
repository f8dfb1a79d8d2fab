#pragma once
// The system tick: milliseconds since an arbitrary start, wrapping at 2^32 like the
// Windows tick the protocol timers are written against. Tests install a TestClock.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace kez::sys {

using Tick = std::uint32_t;

// Current tick; from CLOCK_MONOTONIC unless a TestClock is installed.
Tick tickMs();

// Milliseconds from `earlier` to `later`, correct across one wrap.
constexpr Tick ticksSince(Tick earlier, Tick later) { return later - earlier; }

// While alive, the process runs on this clock instead of CLOCK_MONOTONIC: tickMs() reads
// it, and every wait begun meanwhile measures its limit on it (Deadline, waitAny, Event
// and Semaphore waits, sleepFor, Thread::join, apartment pumps, window timers and Alarms).
// Time moves only when the test moves it; each move wakes the waits and fires the alarms
// it passes. Installing clocks again nests (they share one time); when the last goes,
// every wait still measured on it ends as timed out.
class TestClock {
public:
    // How long (real time) the helpers below wait for threads to block.
    static constexpr std::chrono::milliseconds kSettleLimit{10'000};

    explicit TestClock(Tick start = 0);
    ~TestClock();
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    // Moves forward to the next moment whose tick is `now` (a lower value has wrapped).
    void set(Tick now);
    // Moves forward by `ms` at once: every wait and alarm due by then is woken together.
    void advance(Tick ms);
    Tick now() const;

    // Threads now blocked in a wait of kez::sys and not yet woken.
    std::size_t blocked() const;
    // Waits (in real time, at most `realLimit`) until every running kez::sys::Thread is
    // blocked in a wait of kez::sys, so moving the clock cuts no work short. Threads blocked
    // elsewhere (a mutex, a blocking read) keep it from settling; a descriptor made ready
    // from outside (a socket, a pipe) wakes its waiter without the clock knowing at once.
    bool awaitIdle(std::chrono::milliseconds realLimit = kSettleLimit) const;
    // Time to the earliest pending wait limit or alarm; nullopt when none is pending.
    std::optional<std::chrono::milliseconds> untilNextDeadline() const;
    // Moves to the earliest pending wait limit or alarm; false when none is pending.
    bool advanceToNextDeadline();

    // Lets `duration` pass step by step: before each step, and at the end, waits until the
    // threads are idle, then moves to the next deadline, so each woken thread has done its
    // work before time moves on. False when the threads did not settle.
    bool runFor(std::chrono::milliseconds duration);

    // While on, moves to the next deadline by itself whenever the threads are idle and the
    // thread that turned it on is blocked too: for code under test that waits on the
    // test's own thread (a Stop that joins with a limit). False when it could not start.
    bool autoAdvance(bool on);

private:
    struct AutoAdvance;
    std::unique_ptr<AutoAdvance> autoAdvance_;
};

} // namespace kez::sys
