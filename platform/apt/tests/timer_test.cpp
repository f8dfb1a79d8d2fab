// Window timers: on the tick (driven by a test clock), through the same queue as
// posted messages, never two pending for one timer.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>

#include "../timer_table.h"
#include "apt_test_support.h"
#include "kez/apt/apartment.h"
#include "kez/sys/thread.h"
#include "kez/sys/tick.h"

namespace kez::apt {
namespace {

using test::recordInto;
using test::Seen;
using namespace std::chrono_literals;

constexpr MessageId kData = WM_USER + 1;

class AptTimer : public ::testing::Test {
protected:
    void dispatch() { Apartment::current().dispatchPending(); }
    std::size_t timerMessages(char window) const {
        return static_cast<std::size_t>(std::count_if(
            seen.begin(), seen.end(), [&](const Seen& s) { return s.window == window && s.id == WM_TIMER; }));
    }

    sys::TestClock clock{1000};
    std::vector<Seen> seen;
};

TEST_F(AptTimer, FiresEachIntervalWithItsIdInW) {
    std::vector<std::uint64_t> ids;
    HiddenWindow window("T", [&](Message& m) -> Result {
        if (m.id == WM_TIMER) ids.push_back(m.w);
        return 0;
    });
    ASSERT_TRUE(window.setTimer(7, 400ms));
    clock.advance(399);
    dispatch();
    EXPECT_TRUE(ids.empty());
    clock.advance(1);
    dispatch();
    EXPECT_EQ(ids, (std::vector<std::uint64_t>{7}));
    clock.advance(399);
    dispatch();
    EXPECT_EQ(ids.size(), 1u);
    clock.advance(1);
    dispatch();
    EXPECT_EQ(ids, (std::vector<std::uint64_t>{7, 7}));
}

TEST_F(AptTimer, ASlowConsumerFindsOneTimerMessageNotABacklog) {
    HiddenWindow timed("T", recordInto(seen, 't'));
    HiddenWindow busy("B", recordInto(seen, 'b'));
    timed.setTimer(1, 100ms);
    // A nested wait serving another window lets the timer come due ten times over.
    for (int i = 0; i < 10; ++i) {
        clock.advance(100);
        Apartment::current().pumpFor(0ms, {}, &busy);
    }
    dispatch();
    EXPECT_EQ(timerMessages('t'), 1u);
}

TEST_F(AptTimer, TimerMessagesKeepTheirPlaceAmongPostedMessages) {
    HiddenWindow window("T", recordInto(seen, 't'));
    window.setTimer(3, 50ms);
    window.post({kData, 0, 1, {}});
    clock.advance(50);
    Apartment::current().pumpFor(0ms, {}, &window); // delivers the posted message, queues the timer
    window.post({kData, 0, 2, {}});
    dispatch();
    EXPECT_EQ(seen, (std::vector<Seen>{{'t', kData, 1}, {'t', WM_TIMER, 0}, {'t', kData, 2}}));
}

TEST_F(AptTimer, KillTimerStopsItAndDropsItsPendingMessage) {
    HiddenWindow window("T", recordInto(seen, 't'));
    HiddenWindow other("O", recordInto(seen, 'o'));
    window.setTimer(1, 100ms);
    window.setTimer(2, 100ms);
    clock.advance(100);
    Apartment::current().pumpFor(0ms, {}, &other); // both now pending in the queue
    EXPECT_TRUE(window.killTimer(1));
    EXPECT_FALSE(window.killTimer(1));
    EXPECT_FALSE(window.killTimer(99));
    dispatch();
    clock.advance(1000);
    dispatch();
    ASSERT_EQ(timerMessages('t'), 2u);
    for (const Seen& s : seen)
        EXPECT_EQ(s.id, WM_TIMER);
}

TEST_F(AptTimer, SettingAnIdAgainRestartsItAndDestroyingTheWindowEndsItsTimers) {
    auto window = std::make_unique<HiddenWindow>("T", recordInto(seen, 't'));
    window->setTimer(1, 100ms);
    clock.advance(90);
    window->setTimer(1, 100ms);
    clock.advance(90);
    dispatch();
    EXPECT_EQ(timerMessages('t'), 0u);
    clock.advance(10);
    Apartment::current().pumpFor(0ms, {}, nullptr);
    EXPECT_EQ(timerMessages('t'), 1u);
    window->destroy();
    EXPECT_FALSE(window->setTimer(2, 100ms));
    clock.advance(500);
    dispatch();
    EXPECT_EQ(timerMessages('t'), 1u);
}

TEST_F(AptTimer, TheApartmentDescriptorShowsQueuedWork) {
    HiddenWindow window("T", recordInto(seen, 't'));
    Apartment& apartment = Apartment::current();
    const auto readable = [&] {
        pollfd probe{apartment.fd(), POLLIN, 0};
        return ::poll(&probe, 1, 0) == 1;
    };
    dispatch();
    EXPECT_FALSE(readable());
    window.post({kData, 0, 0, {}});
    EXPECT_TRUE(readable());
    dispatch();
    EXPECT_FALSE(readable());
}

TEST(AptTimerTable, DueAcrossTheTickWrap) {
    detail::TimerTable table;
    const sys::Tick start = 0xFFFFFFF0u;
    table.set({1, 1}, 0x20, start);
    EXPECT_TRUE(table.takeDue(start + 0x1F).empty());
    EXPECT_EQ(table.msUntilNextDue(start + 0x1F), 1u);
    EXPECT_EQ(table.takeDue(start + 0x20).size(), 1u);
    EXPECT_FALSE(table.msUntilNextDue(start + 0x20).has_value()); // pending
}

TEST(AptTimerRealClock, ATimerDrivesRunAndTheDescriptorWithoutATestClock) {
    int ticks = 0;
    std::unique_ptr<HiddenWindow> window;
    window = std::make_unique<HiddenWindow>("T", [&](Message& m) -> Result {
        if (m.id == WM_TIMER && ++ticks == 3) {
            window->killTimer(static_cast<TimerId>(m.w));
            Apartment::current().quit();
        }
        return 0;
    });
    window->setTimer(5, 10ms);
    Apartment::current().run();
    EXPECT_EQ(ticks, 3);

    window->setTimer(6, 10ms);
    pollfd probe{Apartment::current().fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&probe, 1, 10'000), 1); // the timer's expiry alone wakes a foreign loop
    EXPECT_TRUE(Apartment::current().pumpFor(10s, [&] { return ticks == 4; }));
}

TEST(AptPumpOnTestClock, EndsAtItsLimitOnTheClockAndAPostWakesItAtOnce) {
    sys::TestClock clock(0);
    WindowHandle handle;
    std::atomic<int> delivered{0};
    std::atomic<bool> withinLimit{true};
    std::atomic<bool> afterPost{false};
    sys::Thread owner;
    ASSERT_TRUE(owner.start("pump", [&] {
        HiddenWindow window("P", [&](Message&) -> Result { return ++delivered; });
        handle = window.handle();
        const auto posted = [&] { return delivered > 0; };
        withinLimit = Apartment::current().pumpFor(5s, posted);
        afterPost = Apartment::current().pumpFor(1h, posted);
    }));
    ASSERT_TRUE(clock.awaitIdle());
    clock.advance(5000);
    ASSERT_TRUE(clock.awaitIdle());
    EXPECT_FALSE(withinLimit);
    ASSERT_EQ(clock.blocked(), 1u);
    handle.post({kData, 0, 0, {}});
    EXPECT_EQ(clock.blocked(), 0u) << "woken from the post on";
    ASSERT_TRUE(owner.join());
    EXPECT_TRUE(afterPost);
    EXPECT_EQ(clock.now(), 5000u);
}

TEST(AptTimerOnTestClock, ATimerWakesRunOnItsThreadAndTheDescriptorAtItsTime) {
    sys::TestClock clock(0);
    std::vector<sys::Tick> fired;
    sys::Thread owner;
    ASSERT_TRUE(owner.start("timers", [&] {
        HiddenWindow window("T", [&](Message& m) -> Result {
            if (m.id == WM_TIMER) fired.push_back(sys::tickMs());
            if (fired.size() == 3) Apartment::current().quit();
            return 0;
        });
        window.setTimer(1, 250ms);
        Apartment::current().run();
    }));
    ASSERT_TRUE(clock.runFor(1s));
    ASSERT_TRUE(owner.join());
    EXPECT_EQ(fired, (std::vector<sys::Tick>{250, 500, 750}));

    HiddenWindow watched("W", [](Message&) -> Result { return 0; });
    watched.setTimer(2, 10s);
    pollfd probe{Apartment::current().fd(), POLLIN, 0};
    clock.advance(9999);
    EXPECT_EQ(::poll(&probe, 1, 0), 0);
    clock.advance(1);
    EXPECT_EQ(::poll(&probe, 1, 10'000), 1) << "a foreign loop sees the timer come due";
}

} // namespace
} // namespace kez::apt
