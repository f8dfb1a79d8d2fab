#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "kez/sys/event.h"
#include "kez/sys/fd.h"
#include "kez/sys/semaphore.h"
#include "kez/sys/wait.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
    }
    void put() { ASSERT_EQ(::write(writeEnd.get(), "x", 1), 1); }
};

TEST(WaitAny, WakesOnAnEventSetFromAnotherThread) {
    Event first(Event::Reset::Auto);
    Event second(Event::Reset::Auto);
    Pipe pipe;
    const std::array<WaitItem, 3> items{&first, &second, WaitFd{pipe.readEnd.get()}};
    std::jthread setter([&] {
        std::this_thread::sleep_for(30ms);
        second.set();
    });
    EXPECT_EQ(waitAny(items, 10s), std::optional<std::size_t>(1));
    EXPECT_FALSE(second.isSet()) << "the auto-reset event is taken by the wait";
}

TEST(WaitAny, WakesOnAReadableDescriptorWithoutConsumingIt) {
    Event idle(Event::Reset::Manual);
    Pipe pipe;
    const std::array<WaitItem, 2> items{&idle, WaitFd{pipe.readEnd.get()}};
    std::jthread writer([&] {
        std::this_thread::sleep_for(30ms);
        pipe.put();
    });
    EXPECT_EQ(waitAny(items, 10s), std::optional<std::size_t>(1));
    EXPECT_EQ(waitAny(items, 0ms), std::optional<std::size_t>(1)) << "plain descriptors stay ready";
}

TEST(WaitAny, LowestReadyIndexWinsAndOnlyItIsTaken) {
    Event low(Event::Reset::Auto, true);
    Event high(Event::Reset::Auto, true);
    Semaphore units(2, 2);
    const std::array<WaitItem, 3> items{&units, &low, &high};
    EXPECT_EQ(waitAny(items, 0ms), std::optional<std::size_t>(0));
    EXPECT_EQ(units.count(), 1);
    EXPECT_TRUE(low.isSet());
    EXPECT_TRUE(high.isSet());
}

TEST(WaitAny, TimesOutWithinGenerousBounds) {
    Event never(Event::Reset::Manual);
    Pipe pipe;
    const std::array<WaitItem, 2> items{&never, WaitFd{pipe.readEnd.get()}};
    const auto started = SteadyClock::now();
    EXPECT_EQ(waitAny(items, 100ms), std::nullopt);
    const auto waited = SteadyClock::now() - started;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 5s);
}

TEST(WaitAny, ZeroLimitPollsOnce) {
    Event never(Event::Reset::Auto);
    const std::array<WaitItem, 1> items{&never};
    const auto started = SteadyClock::now();
    EXPECT_EQ(waitAny(items, 0ms), std::nullopt);
    EXPECT_LT(SteadyClock::now() - started, 5s);
}

TEST(WaitAny, HangUpCountsAsReady) {
    Pipe pipe;
    pipe.writeEnd.reset();
    const std::array<WaitItem, 1> items{WaitFd{pipe.readEnd.get()}};
    EXPECT_EQ(waitAny(items, 10s), std::optional<std::size_t>(0));
}

} // namespace
} // namespace kez::sys
