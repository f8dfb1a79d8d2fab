// Nested waits that keep the apartment turning: a whole-apartment pump inside a
// procedure, a wait that serves only its own window (an endpoint's Close draining
// its receive messages), and a foreign loop's turn during such waits.
#include <gtest/gtest.h>

#include <atomic>

#include "apt_test_support.h"
#include "kez/apt/apartment.h"
#include "kez/sys/thread.h"

namespace kez::apt {
namespace {

using test::recordInto;
using test::Seen;
using namespace std::chrono_literals;

constexpr MessageId kPacket = WM_USER + 102;
constexpr MessageId kClose = WM_USER + 1;
constexpr MessageId kEvent = WM_USER + 109;

TEST(AptNestedPump, WindowFilterServesOneWindowAndKeepsTheOthersInOrder) {
    std::vector<Seen> seen;
    HiddenWindow a("A", recordInto(seen, 'a'));
    HiddenWindow b("B", recordInto(seen, 'b'));
    for (int i = 0; i < 3; ++i) {
        a.post({kPacket, 0, i, {}});
        b.post({kEvent, 0, i, {}});
    }
    const bool drained = Apartment::current().pumpFor(
        5s, [&] { return seen.size() == 3; }, &a);
    EXPECT_TRUE(drained);
    EXPECT_EQ(seen, (std::vector<Seen>{{'a', kPacket, 0}, {'a', kPacket, 1}, {'a', kPacket, 2}}));
    seen.clear();
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen, (std::vector<Seen>{{'b', kEvent, 0}, {'b', kEvent, 1}, {'b', kEvent, 2}}));
}

TEST(AptNestedPump, PumpForGivesUpWhenTheLimitPasses) {
    std::vector<Seen> seen;
    HiddenWindow a("A", recordInto(seen, 'a'));
    HiddenWindow b("B", recordInto(seen, 'b'));
    b.post({kEvent, 0, 0, {}});
    EXPECT_FALSE(Apartment::current().pumpFor(
        20ms, [] { return false; }, &a));
    EXPECT_TRUE(seen.empty());
}

// The endpoint's Close: wait, serving only the endpoint's window, until every packet
// the receive thread posted has been handled; the engine's messages wait their turn.
class ClosingEndpoint {
public:
    explicit ClosingEndpoint(std::vector<Seen>& seen)
        : seen_(seen), window_("EndPointWindow", [this](Message& m) { return handle(m); }) {}
    HiddenWindow& window() { return window_; }
    std::atomic<int>& pending() { return pending_; }

private:
    Result handle(Message& m) {
        if (m.id == kPacket) {
            seen_.push_back({'e', m.id, m.l});
            --pending_;
        } else if (m.id == kClose) {
            seen_.push_back({'e', kClose, 0});
            drained_ = Apartment::current().pumpFor(
                10s, [this] { return pending_ == 0; }, &window_);
            seen_.push_back({'e', kClose, drained_ ? 1 : -1});
        }
        return 0;
    }

    std::vector<Seen>& seen_;
    std::atomic<int> pending_{0};
    bool drained_ = false;
    HiddenWindow window_;
};

TEST(AptNestedPump, CloseDrainsItsOwnWindowInsideItsProcedure) {
    constexpr int kPackets = 50;
    std::vector<Seen> seen;
    ClosingEndpoint endpoint(seen);
    HiddenWindow engine("EngineWindow", recordInto(seen, 'g'));
    endpoint.window().post({kClose, 0, 0, {}});
    endpoint.pending() = kPackets;
    sys::Thread receiver;
    receiver.start("receiver", [e = endpoint.window().handle(), g = engine.handle()] {
        for (int i = 0; i < kPackets; ++i) {
            e.post({kPacket, 0, i, {}});
            g.post({kEvent, 0, i, {}});
        }
    });
    Apartment::current().dispatchPending(); // runs Close, which returns only when drained
    receiver.join();
    Apartment::current().dispatchPending();

    std::vector<Seen> expected{{'e', kClose, 0}};
    for (int i = 0; i < kPackets; ++i)
        expected.push_back({'e', kPacket, i});
    expected.push_back({'e', kClose, 1});
    for (int i = 0; i < kPackets; ++i)
        expected.push_back({'g', kEvent, i});
    EXPECT_EQ(seen, expected);
}

TEST(AptNestedPump, AnUnfilteredNestedPumpDeliversEveryWindowInOrder) {
    std::vector<Seen> seen;
    HiddenWindow b("B", recordInto(seen, 'b'));
    HiddenWindow a("A", [&](Message& m) -> Result {
        seen.push_back({'a', m.id, m.l});
        if (m.l == 0) Apartment::current().pumpFor(5s, [&] { return seen.size() == 4; });
        return 0;
    });
    a.post({kPacket, 0, 0, {}});
    b.post({kEvent, 0, 1, {}});
    a.post({kPacket, 0, 2, {}});
    b.post({kEvent, 0, 3, {}});
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen, (std::vector<Seen>{{'a', kPacket, 0}, {'b', kEvent, 1}, {'a', kPacket, 2}, {'b', kEvent, 3}}));
}

TEST(AptNestedPump, AForeignLoopTurnsDuringNestedWaitsAndItsDispatchKeepsToTheFilter) {
    std::vector<Seen> seen;
    HiddenWindow a("A", recordInto(seen, 'a'));
    HiddenWindow b("B", recordInto(seen, 'b'));
    Apartment& apartment = Apartment::current();
    int turns = 0;
    // What a Qt bridge does: its notifier on fd() would call dispatchPending while the loop turns.
    apartment.setExternalPump([&](sys::Timeout slice) {
        EXPECT_LE(slice, 10ms);
        ++turns;
        apartment.dispatchPending();
    });
    b.post({kEvent, 0, 0, {}});
    a.post({kPacket, 0, 1, {}});
    EXPECT_FALSE(apartment.pumpFor(
        30ms, [] { return false; }, &a));
    apartment.setExternalPump({});
    EXPECT_GE(turns, 1);
    EXPECT_EQ(seen, (std::vector<Seen>{{'a', kPacket, 1}}));
    apartment.dispatchPending();
    EXPECT_EQ(seen.back(), (Seen{'b', kEvent, 0}));
}

} // namespace
} // namespace kez::apt
