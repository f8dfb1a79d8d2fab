// Reliable delivery over UDP with the IP header bits (0x0071): against the independent
// scripted peer on its UDP link (tests/peers/j5peer/scenarios.py --udp), and two stacks in
// their own namespaces through the lossy relay's UDP mode in a third.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_test_support.h"
#include "peer_script.h"
#include "privileged.h"
#include "reliable_stack_support.h"
#include "veth_stacks.h"

#include "kez/net/mac_address.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <thread>

namespace ralnet::test {
namespace {

constexpr J5HeaderBitMap kUdpBitmap = 0x0071;

// Patterns by UDP to `ip` from VDN 3 to VDN 2.
ReliableTarget udpTarget(const VethStation& to, const std::uint8_t* ip) {
    ReliableTarget target = targetAt(to.macAddress());
    target.bitmap = kUdpBitmap;
    target.destIp = ip;
    return target;
}

class ScriptedPeerOverUdp : public VethStacksTest {
protected:
    ScriptedPeerOverUdp() : VethStacksTest("u8", {}, StackOpenOptions{.ownIp = true}) {}

    void startPeer(const std::string& scenario, std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{scenario,         "--iface",         peer_.interface, "--peer-mac",
                                           peer_.mac,        "--stack-mac",     stack_.mac,      "--udp",
                                           ipText(peer_.ip), ipText(stack_.ip), "--timeout",     "40"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        ASSERT_TRUE(script_.start(*peer_.space, "scenarios.py", arguments)) << "the peer did not start";
    }

    void sendToPeer(std::uint32_t first, std::uint32_t count) {
        const SendOutcome outcome =
            sendPatterns(&stack_.ctx, udpTarget(peer_, peer_.ip.data()), first, count, Clock::now() + 30s);
        EXPECT_EQ(outcome.failure, 0) << "packet " << first + outcome.queued;
    }

    void expectPeerSatisfied() {
        const auto verdict = script_.verdict(std::chrono::seconds(60));
        ASSERT_TRUE(verdict.has_value()) << "no verdict from the peer";
        EXPECT_TRUE(verdictPassed(*verdict)) << *verdict;
    }

    PeerScript script_;
    std::unique_ptr<Echo> echo_; // closed by TearDown before it is joined
};

TEST_F(ScriptedPeerOverUdp, Connect) {
    startPeer("connect");
    sendToPeer(0, 3);
    expectPeerSatisfied();
}

TEST_F(ScriptedPeerOverUdp, StreamWithLostAndDuplicatedAcknowledgements) {
    startPeer("stream", {"--count", "200", "--ack-loss", "0.2", "--ack-dup", "0.1", "--seed", "13"});
    sendToPeer(0, 200);
    expectPeerSatisfied();
}

TEST_F(ScriptedPeerOverUdp, ErrorForThePacketInFlightReconnectsAndResendsInOrder) {
    startPeer("error-inflight", {"--count", "5"});
    sendToPeer(0, 5);
    expectPeerSatisfied();
}

// Replies ("HH", "HY", "HE") go to the peer's address at port 47093 with type of service 84;
// the peer compares each one byte by byte.
TEST_F(ScriptedPeerOverUdp, ReceiveRepeatsGapsReorderingAndTheWrap) {
    echo_ = std::make_unique<Echo>(&stack_.ctx, kUdpBitmap);
    startPeer("receive", {"--count", "60", "--seed", "5"});
    expectPeerSatisfied();
}

// Connect requests by UDP from made-up stations fill the table and evict: every eviction notice
// goes back by UDP, never as a frame on the link to an address nobody used there.
TEST_F(ScriptedPeerOverUdp, ConnectFloodIsAnsweredByUdpOnly) {
    startPeer("udp-flood", {"--count", "900"});
    expectPeerSatisfied();
}

constexpr std::uint32_t kRelayedPackets = 3000;

TEST(ReliableThroughLossyUdpRelay, ThreeThousandEachWayOnceAndInOrder) {
    KEZ_REQUIRE_PRIVILEGED();
    std::optional<PatternReceiver> atLeft; // joined once the stacks are closed
    std::optional<PatternReceiver> atRight;
    VethStacks stacks("u8", {.throughMiddle = true});
    if (const auto problem = stacks.problem()) KEZ_SKIP_OR_FAIL(*problem);
    VethStation& left = stacks.left();
    VethStation& right = stacks.right();
    ASSERT_EQ(left.open({.ownIp = true}), J5_OK);
    ASSERT_EQ(right.open({.ownIp = true}), J5_OK);
    atLeft.emplace(&left.ctx);
    atRight.emplace(&right.ctx);
    PeerScript relay;
    ASSERT_TRUE(relay.start(stacks.middle(), "relay.py",
                            {"--udp-a",
                             ipText(left.farIp),
                             ipText(left.ip),
                             "--udp-b",
                             ipText(right.farIp),
                             ipText(right.ip),
                             "--drop",
                             "0.005",
                             "--dup",
                             "0.01",
                             "--delay-ms",
                             "3",
                             "--delay-rate",
                             "0.05",
                             "--reorder",
                             "0.01",
                             "--hold-ms",
                             "20",
                             "--seed",
                             "17",
                             "--duration",
                             "200"}));

    // Each stack sees the other behind the relay's address on its own subnet.
    const auto deadline = Clock::now() + 150s;
    SendOutcome rightward;
    std::thread sender([&] {
        rightward = sendPatterns(&left.ctx, udpTarget(right, left.farIp.data()), 0, kRelayedPackets, deadline);
    });
    const SendOutcome leftward =
        sendPatterns(&right.ctx, udpTarget(left, right.farIp.data()), 0, kRelayedPackets, deadline);
    sender.join();
    EXPECT_EQ(rightward.failure, 0);
    EXPECT_EQ(leftward.failure, 0);
    EXPECT_TRUE(atRight->waitFor(kRelayedPackets, 60s));
    EXPECT_TRUE(atLeft->waitFor(kRelayedPackets, 60s));
    EXPECT_EQ(orderProblem(atRight->received(), 0, kRelayedPackets), "");
    EXPECT_EQ(orderProblem(atLeft->received(), 0, kRelayedPackets), "");
    EXPECT_EQ(atLeft->strangers() + atRight->strangers(), 0u);

    for (const auto& [from, to] : {std::pair{&left, &right}, std::pair{&right, &left}}) {
        const auto view = sendConnection(&from->ctx, to->macAddress().data());
        ASSERT_TRUE(view.has_value());
        EXPECT_EQ(view->counters.connects, 1u);
        EXPECT_GT(view->counters.retransmissions, 0u) << "the relay lost nothing on this connection";
    }

    ASSERT_EQ(::kill(relay.pid(), SIGTERM), 0);
    const auto counters = relay.verdict(10s);
    ASSERT_TRUE(counters.has_value());
    std::cout << "relay: " << *counters << "\n";
    for (const char* kind : {"\"dropped\": 0,", "\"duplicated\": 0,", "\"reordered\": 0,"}) {
        EXPECT_EQ(counters->find(kind), std::string::npos) << "the relay never " << kind;
    }
}

} // namespace
} // namespace ralnet::test
