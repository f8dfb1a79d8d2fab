#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kez/sys/tick.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;

TEST(Tick, TicksSinceIsCorrectAcrossTheWrap) {
    EXPECT_EQ(ticksSince(0xFFFFFFF0u, 0x00000010u), 0x20u);
    EXPECT_EQ(ticksSince(0xFFFFFFFFu, 0u), 1u);
    EXPECT_EQ(ticksSince(100u, 100u), 0u);
    EXPECT_EQ(ticksSince(1u, 0xFFFFFFFFu), 0xFFFFFFFEu);
}

TEST(Tick, TestClockWrapsAtTwoToTheThirtyTwo) {
    TestClock clock(0xFFFFFFF0u);
    const Tick before = tickMs();
    clock.advance(0x20);
    EXPECT_EQ(tickMs(), 0x10u);
    EXPECT_EQ(ticksSince(before, tickMs()), 0x20u);
}

TEST(Tick, TestClockIsSeenByEveryThreadWhileItLives) {
    Tick seen = 0;
    {
        TestClock clock(1234);
        clock.set(5678);
        std::thread([&] { seen = tickMs(); }).join();
        EXPECT_EQ(clock.now(), 5678u);
    }
    EXPECT_EQ(seen, 5678u);
}

TEST(Tick, RealTickFollowsTheMonotonicClock) {
    const Tick start = tickMs();
    std::this_thread::sleep_for(50ms);
    const Tick elapsed = ticksSince(start, tickMs());
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 10000u);
}

} // namespace
} // namespace kez::sys
