// Two stacks, each in its own namespace, joined through the independent lossy relay
// (tests/peers/j5peer/relay.py) in a third namespace that drops, duplicates, delays and
// reorders frames from a seeded generator: every reliable packet arrives once and in order in
// both directions, across the wrap of the sequence numbers.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_test_support.h"
#include "peer_script.h"
#include "privileged.h"
#include "reliable_stack_support.h"
#include "veth_stacks.h"

#include "kez/net/mac_address.h"
#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <thread>

namespace ralnet::test {
namespace {

constexpr std::uint32_t kPackets = 10'000;

// A station address whose connections start near `target`: a new send connection to a peer
// numbers from tick + M * 241 + 12345 (M from the peer's last two address bytes), so the peer's
// address is chosen for the tick now. `tag` keeps the two stations' addresses apart.
std::array<std::uint8_t, 6> addressNumberingFrom(std::uint16_t target, kez::sys::Tick now, std::uint8_t tag) {
    std::uint32_t m = 0;
    while (static_cast<std::uint16_t>(now + m * 241u + 12345u) != target)
        ++m;
    return {0x02, 0x00, 0x5E, tag, static_cast<std::uint8_t>(m & 0xFF), static_cast<std::uint8_t>(m >> 8)};
}

void openAt(VethStation& station, const std::array<std::uint8_t, 6>& mac) {
    ASSERT_TRUE(station.setMac(mac));
    ASSERT_EQ(station.open(), J5_OK);
    ASSERT_TRUE(waitForReceiveFilter(&station.ctx));
}

TEST(ReliableThroughLossyRelay, TenThousandEachWayOnceInOrderAcrossTheWrap) {
    KEZ_REQUIRE_PRIVILEGED();
    std::optional<PatternReceiver> atLeft; // joined once the stacks are closed
    std::optional<PatternReceiver> atRight;
    VethStacks stacks("r", {.throughMiddle = true, .addressed = false});
    if (const auto problem = stacks.problem()) KEZ_SKIP_OR_FAIL(*problem);
    VethStation& left = stacks.left();
    VethStation& right = stacks.right();

    // Connections made within a few seconds start between 56,000 and 65,535: 10,000 packets wrap.
    const kez::sys::Tick now = kez::sys::tickMs();
    const auto leftMac = addressNumberingFrom(56'000, now, 0x0A);
    const auto rightMac = addressNumberingFrom(56'500, now, 0x0B);
    openAt(left, leftMac);
    openAt(right, rightMac);
    ASSERT_FALSE(HasFatalFailure());
    atLeft.emplace(&left.ctx);
    atRight.emplace(&right.ctx);
    PeerScript relay;
    ASSERT_TRUE(relay.start(stacks.middle(), "relay.py", {"--iface-a",    left.farInterface,
                                                          "--iface-b",    right.farInterface,
                                                          "--drop",       "0.004",
                                                          "--dup",        "0.01",
                                                          "--delay-ms",   "3",
                                                          "--delay-rate", "0.05",
                                                          "--reorder",    "0.01",
                                                          "--hold-ms",    "20",
                                                          "--seed",       "7",
                                                          "--duration",   "280"}));
    const std::uint16_t window = 50;
    ASSERT_EQ(j5SetS2DListLength(&left.ctx, rightMac.data(), &window), window);
    ASSERT_EQ(j5SetS2DListLength(&right.ctx, leftMac.data(), &window), window);

    const ReliableTarget toRight = targetAt(rightMac);
    const ReliableTarget toLeft = targetAt(leftMac);
    const auto deadline = Clock::now() + 200s;
    SendOutcome rightward;
    std::thread sender([&] { rightward = sendPatterns(&left.ctx, toRight, 0, kPackets, deadline); });
    const SendOutcome leftward = sendPatterns(&right.ctx, toLeft, 0, kPackets, deadline);
    sender.join();
    EXPECT_EQ(rightward.failure, 0);
    EXPECT_EQ(leftward.failure, 0);
    EXPECT_TRUE(atRight->waitFor(kPackets, 60s));
    EXPECT_TRUE(atLeft->waitFor(kPackets, 60s));
    EXPECT_EQ(orderProblem(atRight->received(), 0, kPackets), "");
    EXPECT_EQ(orderProblem(atLeft->received(), 0, kPackets), "");

    for (const auto& [from, to] : {std::pair{&left, &right}, std::pair{&right, &left}}) {
        const auto view = sendConnection(&from->ctx, to->macAddress().data());
        ASSERT_TRUE(view.has_value());
        EXPECT_EQ(view->counters.connects, 1u);
        EXPECT_GT(std::uint32_t{view->initialConnectNumber} + kPackets, 0xFFFFu)
            << "the numbers did not wrap: started at " << view->initialConnectNumber;
        EXPECT_GT(view->counters.retransmissions, 0u) << "the relay lost nothing on this connection";
    }

    ASSERT_EQ(::kill(relay.pid(), SIGTERM), 0);
    const auto counters = relay.verdict(10s);
    ASSERT_TRUE(counters.has_value());
    std::cout << "relay: " << *counters << "\n";
    for (const char* kind : {"\"dropped\": 0,", "\"duplicated\": 0,", "\"delayed\": 0,", "\"reordered\": 0,"}) {
        EXPECT_EQ(counters->find(kind), std::string::npos) << "the relay never " << kind;
    }
    EXPECT_EQ(atLeft->strangers() + atRight->strangers(), 0u);
}

} // namespace
} // namespace ralnet::test
