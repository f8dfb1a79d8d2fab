#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "kez/sys/event.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;

constexpr int kWaiters = 4;

// Starts waiters that each count themselves once released.
struct Waiters {
    std::atomic<int> released{0};
    std::vector<std::jthread> threads;

    Waiters(Event& event, int count) {
        for (int i = 0; i < count; ++i) {
            threads.emplace_back([&] {
                if (event.wait(20s)) ++released;
            });
        }
    }

    // Waits (bounded) until `count` waiters were released.
    bool reach(int count) {
        for (int i = 0; i < 2000 && released.load() < count; ++i)
            std::this_thread::sleep_for(5ms);
        return released.load() >= count;
    }
};

TEST(AutoResetEvent, ReleasesExactlyOneWaiterPerSet) {
    Event event(Event::Reset::Auto);
    Waiters waiters(event, kWaiters);
    std::this_thread::sleep_for(50ms);
    event.set();
    ASSERT_TRUE(waiters.reach(1));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(waiters.released.load(), 1);
    EXPECT_FALSE(event.isSet());
    for (int i = 1; i < kWaiters; ++i) {
        event.set();
        ASSERT_TRUE(waiters.reach(i + 1));
    }
}

TEST(AutoResetEvent, SettingASetEventChangesNothing) {
    Event event(Event::Reset::Auto);
    event.set();
    event.set();
    EXPECT_TRUE(event.wait(0ms));
    EXPECT_FALSE(event.wait(0ms));
}

TEST(AutoResetEvent, ResetClearsAndInitialStateHolds) {
    Event event(Event::Reset::Auto, true);
    EXPECT_TRUE(event.isSet());
    event.reset();
    EXPECT_FALSE(event.wait(0ms));
}

TEST(ManualResetEvent, ReleasesAllWaitersAndStaysSet) {
    Event event(Event::Reset::Manual);
    Waiters waiters(event, kWaiters);
    std::this_thread::sleep_for(50ms);
    event.set();
    EXPECT_TRUE(waiters.reach(kWaiters));
    EXPECT_TRUE(event.isSet());
    EXPECT_TRUE(event.wait(0ms));
    event.reset();
    EXPECT_FALSE(event.wait(0ms));
}

TEST(Event, TimesOutWhenNeverSet) {
    Event event(Event::Reset::Manual);
    EXPECT_FALSE(event.wait(30ms));
}

} // namespace
} // namespace kez::sys
