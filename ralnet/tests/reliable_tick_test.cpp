// The tick that drives retransmission sleeps while no sent head awaits its answer, and every
// deadline still fires once a head goes out again.
#include "iface/tick_arming.h"
#include "reliable_test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace ralnet::test {
namespace {

constexpr std::uint8_t kOwn[6] = {0x02, 0, 0, 0, 0, 0x0A};
// Address bytes 4 and 5 are zero, so the first connect number is the tick plus 12345.
constexpr std::uint8_t kPeer[6] = {0x02, 0, 0, 0, 0, 0x00};
constexpr std::uint32_t kStart = 1000;
constexpr std::uint16_t kFirstConnect = kStart + 12345;

class Station {
public:
    Station() : stack(kOwn), core(config(), stack) {}
    ~Station() { stack.freeQueues(); }

    static reliable::ReliableConfig config() {
        reliable::ReliableConfig c;
        c.connections = 8;
        return c;
    }

    J5Result send(std::uint16_t type, std::uint8_t marker) {
        const Bytes payload{marker};
        return core.calls().send({type, kPeer, 1, 1, payload.data(), 1, 0x0011, nullptr, 0, 0});
    }

    void fromPeer(std::uint16_t type, std::uint16_t sequence, Bytes payload = {}) {
        PeerHeader h{type, kPeer, kOwn, sequence, 1, 1, 0, 7, std::move(payload)};
        deliverToCore(core, receivedFrame(stack.pools(), peerFrame(stack.pools(), h)));
    }

    // Moves the clock on a millisecond at a time, ticking as the tick thread would.
    void runFor(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; ++t) {
            clock.set(clock.now() + 1);
            stack.tick(core);
        }
    }

    kez::sys::TestClock clock{kStart};
    FakeStack stack;
    reliable::ReliableCore core;
};

struct TickCase {
    std::string name;
    std::function<void(Station&)> steps;
    bool armedAfterAScan;
};

TEST(ReliableTick, RunsExactlyWhileAHeadAwaitsItsAnswer) {
    const std::vector<TickCase> cases = {
        {"nothing sent", [](Station&) {}, false},
        {"unreliable data awaits nothing", [](Station& s) { s.send(J5_TYPE_HU, 1); }, false},
        {"unanswered connect", [](Station& s) { s.send(J5_TYPE_HR, 1); }, true},
        {"connect answered, data in flight",
         [](Station& s) {
             s.send(J5_TYPE_HR, 1);
             s.fromPeer(J5_TYPE_HY, kFirstConnect, {0, 1});
         },
         true},
        {"every packet acknowledged",
         [](Station& s) {
             s.send(J5_TYPE_HR, 1);
             s.fromPeer(J5_TYPE_HY, kFirstConnect, {0, 1});
             s.fromPeer(J5_TYPE_HH, kFirstConnect + 1);
         },
         false},
        {"first acknowledged, second now in flight",
         [](Station& s) {
             s.send(J5_TYPE_HR, 1);
             s.send(J5_TYPE_HR, 2);
             s.fromPeer(J5_TYPE_HY, kFirstConnect, {0, 1});
             s.fromPeer(J5_TYPE_HH, kFirstConnect + 1);
         },
         true},
        {"given up after the retry limit",
         [](Station& s) {
             s.send(J5_TYPE_HR, 1);
             s.runFor(3000);
         },
         false},
        {"peer lost us: the held packet follows a new connect",
         [](Station& s) {
             s.send(J5_TYPE_HR, 1);
             s.fromPeer(J5_TYPE_HY, kFirstConnect, {0, 1});
             s.fromPeer(J5_TYPE_HE, kFirstConnect + 1, {0x80, 0x02});
             s.runFor(100);
             s.core.errorHandler().run(s.stack);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station s;
        c.steps(s);
        s.stack.tick(s.core);
        EXPECT_EQ(s.stack.tickArmed, c.armedAfterAScan);
    }
}

// After a quiet spell with the tick asleep, a new head is retransmitted on the same schedule
// as the very first one.
TEST(ReliableTick, DeadlinesFireAfterTheTickSlept) {
    Station s;
    s.send(J5_TYPE_HR, 1);
    s.fromPeer(J5_TYPE_HY, kFirstConnect, {0, 1});
    s.fromPeer(J5_TYPE_HH, kFirstConnect + 1);
    s.runFor(60'000);
    ASSERT_FALSE(s.stack.tickArmed);
    s.stack.takeSent();

    const std::uint32_t sentAt = s.clock.now();
    s.send(J5_TYPE_HR, 2);
    s.stack.takeSent();
    std::vector<std::uint32_t> times;
    for (int t = 0; t < 600; ++t) {
        s.runFor(1);
        for (std::size_t n = s.stack.takeSent().size(); n > 0; --n)
            times.push_back(s.clock.now() - sentAt);
    }
    EXPECT_EQ(times, (std::vector<std::uint32_t>{161, 322, 483}));
}

// The interface's arming between the threads: a head sent while a scan runs keeps the tick
// running even when the scan itself found nothing waiting.
TEST(ReliableTick, ArmingSurvivesAHeadSentDuringTheScan) {
    struct Step {
        const char* name;
        bool headDuringScan;
        bool armedAfter;
        bool nextArmWakes;
    };
    const Step steps[] = {
        {"quiet scan disarms", false, false, true},
        {"head sent during the scan", true, true, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        iface::TickArming arming;
        EXPECT_TRUE(arming.arm()) << "the first head wakes the sleeping tick";
        EXPECT_FALSE(arming.arm()) << "further heads find it running";
        const std::uint32_t seen = arming.snapshot();
        if (step.headDuringScan) {
            EXPECT_FALSE(arming.arm());
        }
        arming.disarmIfUnchanged(seen);
        EXPECT_EQ(arming.armed(), step.armedAfter);
        EXPECT_EQ(arming.arm(), step.nextArmWakes);
    }
}

} // namespace
} // namespace ralnet::test
