// Two stacks, each in its own namespace, joined through the independent lossy relay
// (tests/peers/j5peer/relay.py) in a third namespace that drops, duplicates, delays and
// reorders frames from a seeded generator: every reliable packet arrives once and in order in
// both directions, across the wrap of the sequence numbers.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_test_support.h"
#include "net_namespace.h"
#include "privileged.h"
#include "reliable/reliable_side.h"
#include "reliable_stack_support.h"
#include "scripted_peer_support.h"

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

struct Side {
    Side(const char* tag, const kez::test::NetNamespace& middle) : space(tag), link(space, middle) {}
    ~Side() { J5Close(&ctx); }

    bool open(const std::array<std::uint8_t, 6>& mac) {
        if (!space.ip("link set dev " + link.firstName() + " address " + kez::net::formatMac(mac))) return false;
        J5Result result = J5_FAILED;
        if (!space.run([&] { result = J5InitDefault(link.firstName().c_str(), &ctx, nullptr, nullptr); })) return false;
        if (result != J5_OK || !waitForReceiveFilter(&ctx)) return false;
        receiver = std::make_unique<PatternReceiver>(&ctx);
        return true;
    }

    std::optional<reliable::SendConnectionView> connectionTo(const std::uint8_t* mac) {
        const auto iface = iface::acquireInterface(&ctx);
        reliable::ReliableCore* core = iface ? reliable::reliableCoreOf(*iface) : nullptr;
        return core ? core->sender().inspect(mac) : std::nullopt;
    }

    kez::test::NetNamespace space;
    kez::test::VethPair link;
    J5NetIf ctx{};
    std::unique_ptr<PatternReceiver> receiver;
};

TEST(ReliableThroughLossyRelay, TenThousandEachWayOnceInOrderAcrossTheWrap) {
    KEZ_REQUIRE_PRIVILEGED();
    kez::test::NetNamespace middle("rm");
    if (!middle.valid()) KEZ_SKIP_OR_FAIL("namespace: " + middle.error());
    Side left("rl", middle);
    Side right("rr", middle);
    if (!left.link.valid() || !right.link.valid()) KEZ_SKIP_OR_FAIL("veth: " + left.link.error() + right.link.error());

    // Connections made within a few seconds start between 56,000 and 65,535: 10,000 packets wrap.
    const kez::sys::Tick now = kez::sys::tickMs();
    const auto leftMac = addressNumberingFrom(56'000, now, 0x0A);
    const auto rightMac = addressNumberingFrom(56'500, now, 0x0B);
    ASSERT_TRUE(left.open(leftMac));
    ASSERT_TRUE(right.open(rightMac));
    PeerScript relay;
    ASSERT_TRUE(relay.start(middle, "relay.py", {"--iface-a",    left.link.secondName(),
                                                 "--iface-b",    right.link.secondName(),
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

    ReliableTarget toRight;
    std::copy(rightMac.begin(), rightMac.end(), toRight.mac);
    ReliableTarget toLeft;
    std::copy(leftMac.begin(), leftMac.end(), toLeft.mac);
    const auto deadline = Clock::now() + 200s;
    SendOutcome rightward;
    std::thread sender([&] { rightward = sendPatterns(&left.ctx, toRight, 0, kPackets, deadline); });
    const SendOutcome leftward = sendPatterns(&right.ctx, toLeft, 0, kPackets, deadline);
    sender.join();
    EXPECT_EQ(rightward.failure, 0);
    EXPECT_EQ(leftward.failure, 0);
    EXPECT_TRUE(right.receiver->waitFor(kPackets, 60s));
    EXPECT_TRUE(left.receiver->waitFor(kPackets, 60s));
    EXPECT_EQ(orderProblem(right.receiver->received(), 0, kPackets), "");
    EXPECT_EQ(orderProblem(left.receiver->received(), 0, kPackets), "");

    for (const auto& [from, to] : {std::pair{&left, rightMac.data()}, std::pair{&right, leftMac.data()}}) {
        const auto view = from->connectionTo(to);
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
    EXPECT_EQ(left.receiver->strangers() + right.receiver->strangers(), 0u);
}

} // namespace
} // namespace ralnet::test
