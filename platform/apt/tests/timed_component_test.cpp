// A component shaped like the telephone engine, run whole on the test clock and on the
// real one: a status thread on a period, a switch-over once after a delay and a
// flow-control tick, each reporting to the owner's hidden window with the tick it saw.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "kez/apt/apartment.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"
#include "kez/sys/tick.h"

namespace kez::apt {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

constexpr MessageId kStatus = WM_USER + 1;
constexpr MessageId kSwitchOver = WM_USER + 2;
constexpr MessageId kFlowTick = WM_USER + 3;

class TimedComponent {
public:
    struct Periods {
        milliseconds status;
        milliseconds switchOver;
        milliseconds flowTick;
    };

    explicit TimedComponent(Periods periods) : periods_(periods) {}
    ~TimedComponent() { stop(); }

    void start() {
        status_.start("status", [this] { every(periods_.status, kStatus); });
        switchOver_.start("switch-over", [this] {
            if (!stopping_.wait(periods_.switchOver)) report(kSwitchOver);
        });
        flowTick_.start("flow control", [this] { every(periods_.flowTick, kFlowTick); });
    }

    void stop() {
        stopping_.set();
        status_.join();
        switchOver_.join();
        flowTick_.join();
    }

    // The ticks each report carried, by report.
    std::map<MessageId, std::vector<sys::Tick>> seen;

private:
    void every(milliseconds period, MessageId what) {
        while (!stopping_.wait(period))
            report(what);
    }
    void report(MessageId what) { handle_.post({what, 0, sys::tickMs(), {}}); }

    Periods periods_;
    HiddenWindow window_{"TimedComponent", [this](Message& m) -> Result {
                             seen[m.id].push_back(static_cast<sys::Tick>(m.l));
                             return 0;
                         }};
    WindowHandle handle_ = window_.handle();
    sys::Event stopping_{sys::Event::Reset::Manual};
    sys::Thread status_;
    sys::Thread switchOver_;
    sys::Thread flowTick_;
};

std::vector<sys::Tick> every(sys::Tick period, sys::Tick until) {
    std::vector<sys::Tick> ticks;
    for (sys::Tick t = period; t <= until; t += period)
        ticks.push_back(t);
    return ticks;
}

TEST(TimedComponent, RunsTwentySecondsOnTheTestClockExactlyOnTime) {
    sys::TestClock clock(0);
    TimedComponent component({5s, 15s, 1s});
    component.start();
    ASSERT_TRUE(clock.runFor(20s));
    component.stop();
    Apartment::current().dispatchPending();
    EXPECT_EQ(component.seen[kStatus], every(5000, 20000));
    EXPECT_EQ(component.seen[kSwitchOver], std::vector<sys::Tick>{15000});
    EXPECT_EQ(component.seen[kFlowTick], every(1000, 20000));
}

TEST(TimedComponent, TheSameCodeRunsOnTheRealClock) {
    const sys::Tick started = sys::tickMs();
    TimedComponent component({60ms, 180ms, 20ms});
    component.start();
    EXPECT_TRUE(Apartment::current().pumpFor(10s, [&] { return !component.seen[kSwitchOver].empty(); }));
    component.stop();
    Apartment::current().dispatchPending();
    const std::map<MessageId, sys::Tick> periods{{kStatus, 60}, {kSwitchOver, 180}, {kFlowTick, 20}};
    for (const auto& [what, period] : periods) {
        SCOPED_TRACE(what);
        const auto& ticks = component.seen[what];
        ASSERT_FALSE(ticks.empty());
        // A wait never ends early: the n-th report comes at least n periods after the start.
        for (std::size_t n = 0; n < ticks.size(); ++n)
            EXPECT_GE(sys::ticksSince(started, ticks[n]), period * (n + 1));
    }
}

} // namespace
} // namespace kez::apt
