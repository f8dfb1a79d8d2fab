// Reliable delivery over UDP with the IP header bits (0x0071): against the independent
// scripted peer on its UDP link (tests/peers/j5peer/scenarios.py --udp), and two stacks in
// their own namespaces through the lossy relay's UDP mode in a third.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_test_support.h"
#include "net_namespace.h"
#include "privileged.h"
#include "reliable/reliable_side.h"
#include "reliable_stack_support.h"
#include "scripted_peer_support.h"
#include "udp_test_support.h"

#include "kez/net/mac_address.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <thread>

namespace ralnet::test {
namespace {

constexpr J5HeaderBitMap kUdpBitmap = 0x0071;
constexpr std::uint16_t kStackVdn = 3;
constexpr std::uint16_t kPeerVdn = 2;

// Queues patterns first .. first + count - 1 by UDP to `ip`, waiting out a full window.
SendOutcome sendOverUdp(J5NetIf* ctx, const std::uint8_t* mac, const std::uint8_t* ip, std::uint32_t first,
                        std::uint32_t count, Clock::time_point deadline) {
    SendOutcome outcome;
    while (outcome.queued < count) {
        if (Clock::now() > deadline) return {outcome.queued, J5_ERR_WINDOW_FULL};
        const Bytes payload = patternPayload(first + outcome.queued);
        const J5Result result = J5IntrinsicSend(ctx, J5_TYPE_HR, mac, kPeerVdn, kStackVdn, payload.data(),
                                                kPatternLength, kUdpBitmap, ip, nullptr, 0, 0);
        if (result == J5_ERR_WINDOW_FULL) {
            std::this_thread::sleep_for(200us);
        } else if ((result & 0xFF00) == J5_QUEUED) {
            ++outcome.queued;
        } else {
            return {outcome.queued, result};
        }
    }
    return outcome;
}

// For every "HR" that arrives, one "HU" by UDP back to its sender's address with the first
// bytes of its payload.
class UdpEcho {
public:
    explicit UdpEcho(J5NetIf* ctx) : ctx_(ctx), thread_([this] { run(); }) {}
    // The interface must be closed first.
    ~UdpEcho() { thread_.join(); }
    UdpEcho(const UdpEcho&) = delete;
    UdpEcho& operator=(const UdpEcho&) = delete;

private:
    void run() {
        while (J5PacketObj* packet = J5ReceiveObj(ctx_, 0, 0)) {
            if (headerType(*packet) == J5_TYPE_HR && packet->udpSourceRef) {
                const std::uint16_t length = std::min<std::uint16_t>(packet->length, kPatternLength);
                J5Send(ctx_, J5_TYPE_HU, packet->headerRef + 2, kPeerVdn, kStackVdn, packet->dataRef, length,
                       kUdpBitmap, packet->udpSourceRef->address, nullptr, 0, 0);
            }
            J5FreePacketObj(ctx_, packet);
        }
    }

    J5NetIf* ctx_;
    std::thread thread_;
};

class ScriptedPeerOverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (!stackSpace_.valid()) KEZ_SKIP_OR_FAIL("namespace: " + stackSpace_.error());
        if (!peerSpace_.valid()) KEZ_SKIP_OR_FAIL("namespace: " + peerSpace_.error());
        pair_ = std::make_unique<kez::test::VethPair>(stackSpace_, peerSpace_,
                                                      kez::test::VethOptions{"198.18.0.1/24", "198.18.0.2/24"});
        if (!pair_->valid()) KEZ_SKIP_OR_FAIL("veth: " + pair_->error());
        stackMac_ = kez::test::linkAddress(stackSpace_, pair_->firstName()).value_or("");
        peerMac_ = kez::test::linkAddress(peerSpace_, pair_->secondName()).value_or("");
        ASSERT_FALSE(stackMac_.empty());
        ASSERT_FALSE(peerMac_.empty());
        const std::uint8_t own[4] = {198, 18, 0, 1};
        const J5IpSettings settings = ipSettingsFor(own);
        J5Result result = J5_FAILED;
        ASSERT_TRUE(
            stackSpace_.run([&] { result = J5InitDefault(pair_->firstName().c_str(), &ctx_, nullptr, &settings); }));
        ASSERT_EQ(result, J5_OK);
    }

    void TearDown() override { J5Close(&ctx_); }

    void startPeer(const std::string& scenario, std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{scenario,     "--iface",     pair_->secondName(), "--peer-mac",
                                           peerMac_,     "--stack-mac", stackMac_,           "--udp",
                                           "198.18.0.2", "198.18.0.1",  "--timeout",         "40"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        ASSERT_TRUE(peer_.start(peerSpace_, "scenarios.py", arguments)) << "the peer did not start";
    }

    void sendToPeer(std::uint32_t first, std::uint32_t count) {
        const auto mac = *kez::net::parseMac(peerMac_);
        const std::uint8_t peerIp[4] = {198, 18, 0, 2};
        const SendOutcome outcome = sendOverUdp(&ctx_, mac.data(), peerIp, first, count, Clock::now() + 30s);
        EXPECT_EQ(outcome.failure, 0) << "packet " << first + outcome.queued;
    }

    void expectPeerSatisfied() {
        const auto verdict = peer_.verdict(std::chrono::seconds(60));
        ASSERT_TRUE(verdict.has_value()) << "no verdict from the peer";
        EXPECT_TRUE(verdictPassed(*verdict)) << *verdict;
    }

    kez::test::NetNamespace stackSpace_{"u8s"};
    kez::test::NetNamespace peerSpace_{"u8p"};
    std::unique_ptr<kez::test::VethPair> pair_;
    std::string stackMac_;
    std::string peerMac_;
    J5NetIf ctx_{};
    PeerScript peer_;
    std::unique_ptr<UdpEcho> echo_; // after ctx_: closed by TearDown before it is joined
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
    echo_ = std::make_unique<UdpEcho>(&ctx_);
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

// One stack in its own namespace, joined to the relay's namespace by a veth pair on `subnet`
// (198.18.<subnet>.1 the stack, .2 the relay).
struct UdpSide {
    UdpSide(const char* tag, const kez::test::NetNamespace& middle, int subnet)
        : space(tag), link(space, middle, addresses(subnet)), relayIp{198, 18, static_cast<std::uint8_t>(subnet), 2},
          ownIp{198, 18, static_cast<std::uint8_t>(subnet), 1} {}
    ~UdpSide() { J5Close(&ctx); }

    static kez::test::VethOptions addresses(int subnet) {
        const std::string prefix = "198.18." + std::to_string(subnet) + ".";
        return {prefix + "1/24", prefix + "2/24"};
    }

    bool open() {
        const J5IpSettings settings = ipSettingsFor(ownIp);
        J5Result result = J5_FAILED;
        const bool ran = space.run([&] { result = J5InitDefault(link.firstName().c_str(), &ctx, nullptr, &settings); });
        if (!ran || result != J5_OK) return false;
        J5GetSourceMACAddr(&ctx, mac);
        receiver = std::make_unique<PatternReceiver>(&ctx);
        return true;
    }

    std::string text(const std::uint8_t* ip) const {
        return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
               std::to_string(ip[3]);
    }

    std::optional<reliable::SendConnectionView> connectionTo(const std::uint8_t* peer) {
        const auto iface = iface::acquireInterface(&ctx);
        reliable::ReliableCore* core = iface ? reliable::reliableCoreOf(*iface) : nullptr;
        return core ? core->sender().inspect(peer) : std::nullopt;
    }

    kez::test::NetNamespace space;
    kez::test::VethPair link;
    std::uint8_t relayIp[4];
    std::uint8_t ownIp[4];
    std::uint8_t mac[J5_MAC_LEN] = {};
    J5NetIf ctx{};
    std::unique_ptr<PatternReceiver> receiver;
};

TEST(ReliableThroughLossyUdpRelay, ThreeThousandEachWayOnceAndInOrder) {
    KEZ_REQUIRE_PRIVILEGED();
    kez::test::NetNamespace middle("u8m");
    if (!middle.valid()) KEZ_SKIP_OR_FAIL("namespace: " + middle.error());
    UdpSide left("u8l", middle, 1);
    UdpSide right("u8r", middle, 2);
    if (!left.link.valid() || !right.link.valid()) KEZ_SKIP_OR_FAIL("veth: " + left.link.error() + right.link.error());
    ASSERT_TRUE(left.open());
    ASSERT_TRUE(right.open());
    PeerScript relay;
    ASSERT_TRUE(relay.start(middle, "relay.py",
                            {"--udp-a",
                             left.text(left.relayIp),
                             left.text(left.ownIp),
                             "--udp-b",
                             right.text(right.relayIp),
                             right.text(right.ownIp),
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
    std::thread sender(
        [&] { rightward = sendOverUdp(&left.ctx, right.mac, left.relayIp, 0, kRelayedPackets, deadline); });
    const SendOutcome leftward = sendOverUdp(&right.ctx, left.mac, right.relayIp, 0, kRelayedPackets, deadline);
    sender.join();
    EXPECT_EQ(rightward.failure, 0);
    EXPECT_EQ(leftward.failure, 0);
    EXPECT_TRUE(right.receiver->waitFor(kRelayedPackets, 60s));
    EXPECT_TRUE(left.receiver->waitFor(kRelayedPackets, 60s));
    EXPECT_EQ(orderProblem(right.receiver->received(), 0, kRelayedPackets), "");
    EXPECT_EQ(orderProblem(left.receiver->received(), 0, kRelayedPackets), "");
    EXPECT_EQ(left.receiver->strangers() + right.receiver->strangers(), 0u);

    for (const auto& [from, to] : {std::pair{&left, right.mac}, std::pair{&right, left.mac}}) {
        const auto view = from->connectionTo(to);
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
