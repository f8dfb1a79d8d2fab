// Two stations joined by a lossy link: every reliable packet arrives exactly once and in order,
// whatever the link drops, repeats, delays and reorders.
#include "reliable_test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace ralnet::test {
namespace {

constexpr std::uint8_t kMacA[6] = {0x02, 0, 0, 0xA0, 0, 0};
constexpr std::uint8_t kMacB[6] = {0x02, 0, 0, 0xB0, 0, 0};
constexpr std::uint32_t kPackets = 10000;
// Address bytes 4 and 5 are zero, so both first connect numbers are the start tick plus 12345:
// 5,000 below 65536, and both streams wrap half-way through the run.
constexpr kez::sys::Tick kStart = 0x10000 - 12345 - 5000;

struct LinkFaults {
    double drop = 0.10;
    double duplicate = 0.05;
    std::uint32_t maxDelayMs = 30; // uniform 1..max: frames overtake each other
};

class Station {
public:
    Station(const std::uint8_t* mac, const std::uint8_t* peer) : stack(mac, 16), core(config(), stack) {
        std::memcpy(peer_, peer, 6);
    }

    static reliable::ReliableConfig config() {
        reliable::ReliableConfig c;
        c.connections = 16;
        return c;
    }

    // Offers the next packet while the window has room.
    void offer() {
        while (nextToSend_ < kPackets) {
            Bytes payload(4);
            wire::storeBe16(payload.data(), static_cast<std::uint16_t>(nextToSend_ >> 16));
            wire::storeBe16(payload.data() + 2, static_cast<std::uint16_t>(nextToSend_));
            reliable::SendRequest r{J5_TYPE_HR, peer_, 1, 2, payload.data(), 4, 0x0011, nullptr, 0, 0};
            const J5Result result = core.calls().intrinsicSend(r);
            if (result == J5_ERR_WINDOW_FULL) return;
            ASSERT_EQ(result & 0xFF00, J5_QUEUED) << std::hex << result;
            ++nextToSend_;
        }
    }

    // Takes what the application queue holds and checks its order.
    void consume() {
        for (auto* p : stack.data) {
            const std::uint32_t n = (std::uint32_t{wire::loadBe16(p->dataRef)} << 16) | wire::loadBe16(p->dataRef + 2);
            EXPECT_EQ(n, received) << "exactly once and in order";
            received = n + 1;
            stack.givePacket(p);
        }
        stack.data.clear();
        core.errorHandler().run(stack);
    }

    bool done() const { return nextToSend_ == kPackets && received == kPackets; }

    FakeStack stack;
    reliable::ReliableCore core;
    std::uint32_t received = 0;

private:
    std::uint8_t peer_[6] = {};
    std::uint32_t nextToSend_ = 0;
};

class LossyLink {
public:
    LossyLink(std::uint32_t seed, LinkFaults faults) : random_(seed), faults_(faults) {}

    // Moves what `from` sent onto the link towards `to`.
    void carry(Station& from, Station& to, kez::sys::Tick now) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        std::uniform_int_distribution<std::uint32_t> delay(1, faults_.maxDelayMs);
        for (auto& frame : from.stack.takeSent()) {
            if (chance(random_) < faults_.drop) continue;
            const int copies = chance(random_) < faults_.duplicate ? 2 : 1;
            for (int i = 0; i < copies; ++i)
                inFlight_.emplace(now + delay(random_), Arrival{&to, frame.bytes});
        }
    }

    // Hands over every frame due by `now`.
    void arrive(kez::sys::Tick now) {
        while (!inFlight_.empty() && inFlight_.begin()->first <= now) {
            Arrival a = std::move(inFlight_.begin()->second);
            inFlight_.erase(inFlight_.begin());
            deliverToCore(a.to->core, receivedFrame(a.to->stack.pools(), a.frame));
        }
    }

    void discard() { inFlight_.clear(); }

private:
    struct Arrival {
        Station* to;
        Bytes frame;
    };
    std::mt19937 random_;
    LinkFaults faults_;
    std::multimap<kez::sys::Tick, Arrival> inFlight_;
};

TEST(ReliableLossyLinkTest, TenThousandPacketsEachWayArriveExactlyOnceInOrderAcrossTheWrap) {
    kez::sys::TestClock clock(kStart);
    Station a(kMacA, kMacB);
    Station b(kMacB, kMacA);
    LossyLink link(20240611, {});

    kez::sys::Tick now = kStart;
    const kez::sys::Tick limit = kStart + 3'600'000;
    while (!(a.done() && b.done()) && now < limit) {
        a.offer();
        b.offer();
        link.carry(a, b, now);
        link.carry(b, a, now);
        ++now;
        clock.set(now);
        link.arrive(now);
        if ((now - kStart) % 50 == 0) {
            a.core.afterTick();
            b.core.afterTick();
        }
        a.consume();
        b.consume();
        if (testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(a.received, kPackets);
    EXPECT_EQ(b.received, kPackets);
    const auto toB = a.core.sender().inspect(kMacB);
    ASSERT_TRUE(toB);
    EXPECT_GT(toB->counters.retransmissions, 0u);
    EXPECT_EQ(toB->initialConnectNumber, 0x10000 - 5000);
    EXPECT_LT(toB->lastSequence, toB->initialConnectNumber) << "the sequence wrapped";
    EXPECT_EQ(toB->counters.giveUps, 0u);
    link.discard();
}

} // namespace
} // namespace ralnet::test
