#include "kez/sys/tick.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "test_time.h"

namespace kez::sys {

// The thread that moves the clock on by itself: a plain thread, so it never counts among
// the threads that must be idle. Its stop flag is guarded by the clock.
struct TestClock::AutoAdvance {
    bool stop = false;
    std::thread thread;
};

TestClock::TestClock(Tick start) { detail::installTestClock(start); }

TestClock::~TestClock() {
    autoAdvance(false);
    detail::uninstallTestClock();
}

void TestClock::set(Tick now) { advance(ticksSince(detail::testTick(), now)); }

void TestClock::advance(Tick ms) { detail::advanceTestClock(ms); }

Tick TestClock::now() const { return detail::testTick(); }

std::size_t TestClock::blocked() const { return detail::blockedOnTestClock(); }

bool TestClock::awaitIdle(std::chrono::milliseconds realLimit) const { return detail::awaitIdleOnTestClock(realLimit); }

std::optional<std::chrono::milliseconds> TestClock::untilNextDeadline() const {
    const auto next = detail::msToNextTestDeadline();
    if (!next) return std::nullopt;
    return std::chrono::milliseconds(*next);
}

bool TestClock::advanceToNextDeadline() {
    const auto next = detail::msToNextTestDeadline();
    if (!next) return false;
    detail::advanceTestClock(*next);
    return true;
}

bool TestClock::runFor(std::chrono::milliseconds duration) {
    auto left = static_cast<std::uint64_t>(std::max<std::int64_t>(duration.count(), 0));
    for (;;) {
        if (!awaitIdle()) return false;
        const auto next = detail::msToNextTestDeadline();
        if (!next || *next > left) break;
        detail::advanceTestClock(*next);
        left -= *next;
    }
    detail::advanceTestClock(left);
    return awaitIdle();
}

bool TestClock::autoAdvance(bool on) {
    if (autoAdvance_) {
        detail::stopAutoAdvance(autoAdvance_->stop);
        autoAdvance_->thread.join();
        autoAdvance_.reset();
    }
    if (!on) return true;
    auto advancer = std::make_unique<AutoAdvance>();
    try {
        advancer->thread = std::thread([&stop = advancer->stop, owner = std::this_thread::get_id()] {
            detail::autoAdvanceTestClock(owner, stop);
        });
    } catch (const std::system_error&) {
        return false;
    }
    autoAdvance_ = std::move(advancer);
    return true;
}

} // namespace kez::sys
