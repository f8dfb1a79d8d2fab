#pragma once
// The time of an installed TestClock, shared by every wait of the process. Waits that
// begin while a test clock is installed measure their limits on it, register as blocked
// threads, and are woken when the clock passes their end; alarms fire the same way.
// Everything here runs only while a test clock is installed; with none, the callers take
// their real-clock roads and pay one atomic load.
#include <poll.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "kez/sys/tick.h"

namespace kez::sys::detail {

// A moment on one installation of the test clock: a deadline taken on an earlier
// installation counts as passed.
struct TestInstant {
    std::uint64_t installation;
    std::uint64_t ms;
};

bool testClockInstalled();
Tick testTick();
// Now on the installed test clock, or nullopt when none is installed.
std::optional<TestInstant> testNow();

// poll() until one of `fds` is ready or the test clock passes `end` (0 then); without an
// end it only counts the thread as blocked. Falls back to a plain poll when the clock goes.
int pollOnTestClock(std::span<pollfd> fds, std::optional<TestInstant> end);

// Around the write that signals a waitable's descriptor: threads polling it stop counting
// as blocked at that moment, not when they get round to running.
class SignalScope {
public:
    explicit SignalScope(int fd);
    ~SignalScope();
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

private:
    int fd_;
    std::unique_lock<std::mutex> lock_;
};

// Alarms on timer descriptors: readable once the test clock passes `afterMs` from now.
void armTestAlarm(int timerFd, std::uint64_t afterMs);
void disarmTestAlarm(int timerFd);

// Threads started by kez::sys::Thread, counted so a test can tell when all of them are
// blocked: starting is noted before the thread exists, ending after its body returns.
void noteThreadStarting();
void noteThreadStartFailed();
void enterThreadBody();
void noteThreadEnded();

// The clock's controls, for TestClock.
void installTestClock(Tick start);
void uninstallTestClock();
void advanceTestClock(std::uint64_t ms);
std::size_t blockedOnTestClock();
// Until every running kez::sys::Thread is blocked in a wait; false when `realLimit` passed first.
bool awaitIdleOnTestClock(std::chrono::milliseconds realLimit);
std::optional<std::uint64_t> msToNextTestDeadline();
// Moves to the next deadline whenever every running kez::sys::Thread and the calling
// thread's `owner` are blocked, until `stop` is set through stopAutoAdvance.
void autoAdvanceTestClock(std::thread::id owner, const bool& stop);
void stopAutoAdvance(bool& stop);

} // namespace kez::sys::detail
