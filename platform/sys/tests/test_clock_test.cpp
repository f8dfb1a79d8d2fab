// Waits on the test clock: each ends exactly when the clock passes its limit, a signal
// wakes it at once, and time moves only when the test moves it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "kez/sys/event.h"
#include "kez/sys/semaphore.h"
#include "kez/sys/thread.h"
#include "kez/sys/tick.h"
#include "kez/sys/wait.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;

struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    Pipe() {
        int fds[2] = {-1, -1};
        EXPECT_EQ(::pipe(fds), 0);
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
    }
};

struct TimedWait {
    const char* name;
    // Waits with a limit of 5 s; true when the wait ran into it.
    std::function<bool()> wait;
};

const TimedWait kTimedWaits[] = {
    {"EventWait", [] { return !Event(Event::Reset::Manual).wait(5s); }},
    {"SemaphoreWait", [] { return !Semaphore(0, 1).wait(5s); }},
    {"WaitAnyOverAnEventAndADescriptor",
     [] {
         Event never(Event::Reset::Auto);
         const Pipe pipe;
         const std::array<WaitItem, 2> items{&never, WaitFd{pipe.readEnd.get()}};
         return !waitAny(items, 5s).has_value();
     }},
    {"PollUntil",
     [] {
         const Pipe pipe;
         std::array<pollfd, 1> fds{{{pipe.readEnd.get(), POLLIN, 0}}};
         return pollUntil(fds, Deadline(5s)) == 0;
     }},
    {"SleepFor",
     [] {
         sleepFor(5s);
         return true;
     }},
    {"ThreadJoin",
     [] {
         Event release(Event::Reset::Manual);
         Thread inner;
         inner.start("inner", [&] { release.wait(); });
         const bool joined = inner.join(5s);
         release.set();
         inner.join();
         return !joined;
     }},
};

class TestClockWait : public ::testing::TestWithParam<TimedWait> {};

TEST_P(TestClockWait, EndsExactlyWhenTheClockPassesItsLimit) {
    TestClock clock(1000);
    std::atomic<bool> ranIntoLimit{false};
    std::atomic<Tick> endedAt{0};
    Thread waiter;
    ASSERT_TRUE(waiter.start("waiter", [&] {
        ranIntoLimit = GetParam().wait();
        endedAt = tickMs();
    }));
    ASSERT_TRUE(clock.awaitIdle());
    const std::size_t blocked = clock.blocked();
    EXPECT_EQ(clock.untilNextDeadline(), std::optional(5000ms));
    clock.advance(4999);
    EXPECT_EQ(clock.blocked(), blocked) << "nothing woken a millisecond early";
    clock.advance(1);
    EXPECT_LT(clock.blocked(), blocked);
    EXPECT_TRUE(waiter.join());
    EXPECT_TRUE(ranIntoLimit);
    EXPECT_EQ(endedAt, 6000u);
}

INSTANTIATE_TEST_SUITE_P(Waits, TestClockWait, ::testing::ValuesIn(kTimedWaits),
                         [](const auto& info) { return std::string(info.param.name); });

// What a signal reaches, made before the waiter starts.
struct Signalled {
    Event event{Event::Reset::Auto};
    Semaphore units{0, 1};
};

struct SignalledWait {
    const char* name;
    std::function<bool(Signalled&)> wait;
    std::function<void(Signalled&)> signal;
};

const SignalledWait kSignalledWaits[] = {
    {"EventSet", [](Signalled& s) { return s.event.wait(1h); }, [](Signalled& s) { s.event.set(); }},
    {"SemaphoreRelease", [](Signalled& s) { return s.units.wait(1h); }, [](Signalled& s) { s.units.release(); }},
};

class TestClockSignal : public ::testing::TestWithParam<SignalledWait> {};

TEST_P(TestClockSignal, WakesTheWaitAtOnceAndEndsItsBlockingThere) {
    TestClock clock(0);
    Signalled signalled;
    std::atomic<bool> woken{false};
    Thread waiter;
    ASSERT_TRUE(waiter.start("waiter", [&] { woken = GetParam().wait(signalled); }));
    ASSERT_TRUE(clock.awaitIdle());
    ASSERT_EQ(clock.blocked(), 1u);
    GetParam().signal(signalled);
    EXPECT_EQ(clock.blocked(), 0u) << "woken from the signal on, not from when it runs";
    EXPECT_TRUE(waiter.join());
    EXPECT_TRUE(woken);
    EXPECT_EQ(clock.now(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, TestClockSignal, ::testing::ValuesIn(kSignalledWaits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TestClock, StepsFromDeadlineToDeadlineInOrder) {
    TestClock clock(0);
    std::atomic<int> woken{0};
    std::array<std::atomic<int>, 3> rank{};
    std::array<Thread, 3> sleepers;
    const std::array<int, 3> seconds{3, 1, 2};
    for (std::size_t i = 0; i < sleepers.size(); ++i) {
        ASSERT_TRUE(sleepers[i].start("sleeper", [&, i] {
            sleepFor(std::chrono::seconds(seconds[i]));
            rank[i] = ++woken;
        }));
    }
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(clock.awaitIdle());
        EXPECT_EQ(clock.untilNextDeadline(), std::optional(1000ms));
        EXPECT_TRUE(clock.advanceToNextDeadline());
    }
    for (Thread& sleeper : sleepers)
        sleeper.join();
    EXPECT_EQ((std::array<int, 3>{rank[0], rank[1], rank[2]}), (std::array<int, 3>{3, 1, 2}));
    EXPECT_EQ(clock.now(), 3000u);
    EXPECT_FALSE(clock.advanceToNextDeadline());
}

TEST(TestClock, AutoAdvanceMovesTimeWhileTheTestItselfWaits) {
    TestClock clock(0);
    Event stop(Event::Reset::Manual);
    std::atomic<int> periods{0};
    Thread worker;
    ASSERT_TRUE(worker.start("periodic", [&] {
        while (!stop.wait(1s))
            ++periods;
    }));
    ASSERT_TRUE(clock.autoAdvance(true));
    EXPECT_FALSE(worker.join(3500ms)) << "a bounded join runs out on the test clock";
    EXPECT_EQ(periods, 3);
    EXPECT_EQ(clock.now(), 3500u);
    stop.set();
    EXPECT_TRUE(worker.join(1s));
}

TEST(TestClock, RemovingItEndsTheWaitsMeasuredOnIt) {
    auto clock = std::make_unique<TestClock>(0);
    Event never(Event::Reset::Manual);
    std::atomic<bool> signalled{true};
    Thread waiter;
    ASSERT_TRUE(waiter.start("waiter", [&] { signalled = never.wait(1h); }));
    ASSERT_TRUE(clock->awaitIdle());
    const Deadline deadline(1h);
    clock.reset();
    EXPECT_TRUE(waiter.join(10s));
    EXPECT_FALSE(signalled);
    EXPECT_TRUE(deadline.passed()) << "a deadline on a clock that is gone can never come";
}

TEST(TestClock, SetMovesForwardToTheNextMomentWithThatTick) {
    TestClock clock(0xFFFFFF00u);
    Thread sleeper;
    ASSERT_TRUE(sleeper.start("sleeper", [] { sleepFor(0x200ms); }));
    ASSERT_TRUE(clock.awaitIdle());
    clock.set(0x80);
    EXPECT_EQ(clock.blocked(), 1u) << "0x180 ms on, across the wrap";
    clock.set(0x100);
    EXPECT_EQ(clock.blocked(), 0u);
    EXPECT_TRUE(sleeper.join());
}

} // namespace
} // namespace kez::sys
