// The interface's UDP and IP multicast path across a veth pair: the stack in one private
// namespace, the independent UDP peer (udp_peer.py on j5wire) in the other. The peer's
// sockets (with the received TOS and TTL) and the kernel's group list are the oracles.
#include "eventually.h"
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_test_support.h"
#include "privileged.h"
#include "process.h"
#include "veth_stacks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace ralnet::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kStackIp[4] = {198, 18, 0, 1};
constexpr std::uint8_t kPeerIp[4] = {198, 18, 0, 2};
const std::string kStackIpText = "198.18.0.1";
const std::string kPeerIpText = "198.18.0.2";

std::filesystem::path udpPeerScript() { return std::filesystem::path(KEZ_SOURCE_DIR) / "ralnet/tests/udp_peer.py"; }

bool holds(const std::string& line, const std::string& field) { return line.find(field) != std::string::npos; }

class UdpInterface : public VethStacksTest {
protected:
    UdpInterface() : VethStacksTest("u7", {}, StackOpenOptions{.ownIp = true}) {}

    // A listening peer that has printed READY.
    void startListener(ChildProcess& listener, std::vector<std::string> options) {
        std::vector<std::string> argv{KEZ_PYTHON, udpPeerScript().string(), "listen"};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(listener.start(peerSpace_.exec(argv)));
        const auto ready = listener.readLine(20s);
        ASSERT_EQ(ready.value_or("nothing"), "READY");
    }

    // One datagram from the peer; the port it left from.
    int peerSends(std::vector<std::string> options) {
        std::vector<std::string> argv{KEZ_PYTHON, udpPeerScript().string(), "send"};
        argv.insert(argv.end(), options.begin(), options.end());
        const auto sent = runCommand(peerSpace_.exec(argv));
        EXPECT_TRUE(sent.ok()) << sent.err;
        return sent.ok() ? std::stoi(sent.out) : -1;
    }

    std::string kernelGroups() const { return stackSpace_.ipv4Groups(); }

    const NetNamespace& stackSpace_ = *stack_.space;
    const NetNamespace& peerSpace_ = *peer_.space;
    const std::string& stackMac_ = stack_.mac;
    const std::string& peerMac_ = peer_.mac;
    J5NetIf& ctx_ = stack_.ctx;
};

TEST_F(UdpInterface, UnreliablePacketsLeaveAsDatagramsWithTheirTypeOfServiceAndTtl) {
    ChildProcess listener;
    startListener(listener, {"--count", "3"});
    const auto peer = peer_.macAddress();
    const Bytes hu = {0x10, 0x20, 0x30, 0x40};
    const Bytes ha = {0xA0, 0xA1, 0xA2};
    // Callers hand the type of service over with its two bytes swapped.
    ASSERT_EQ(J5Send(&ctx_, J5_TYPE_HU, peer.data(), 2, 3, hu.data(), 4, 0x0071, kPeerIp, nullptr, 0xB800, 0), J5_SENT);
    ASSERT_EQ(J5AudioSend(&ctx_, peer.data(), ha.data(), 3, 0x0069, kPeerIp, nullptr, 0x5400, 0, 0), J5_SENT);
    ASSERT_EQ(J5Send(&ctx_, J5_TYPE_HU, peer.data(), 2, 3, hu.data(), 4, 0x0071, kPeerIp, nullptr, 0, 0), J5_SENT);

    const std::string first = listener.readLine(10s).value_or("");
    for (const std::string& field : std::vector<std::string>{
             "\"type\": \"HU\"", "\"port\": 47093", "\"tos\": 184", "\"ttl\": 128", "\"path_flags\": 113",
             "\"dst_vdn\": 2", "\"src_vdn\": 3", "\"payload\": \"10203040\"",
             "\"sender_mac\": \"" + toHex(stack_.macAddress()) + "\"", "\"from\": [\"198.18.0.1\""}) {
        EXPECT_TRUE(holds(first, field)) << field << " in " << first;
    }
    const std::string audio = listener.readLine(10s).value_or("");
    for (const std::string& field : std::vector<std::string>{"\"type\": \"HA\"", "\"tos\": 84", "\"ttl\": 128",
                                                             "\"path_flags\": 105", "\"payload\": \"a0a1a2\""}) {
        EXPECT_TRUE(holds(audio, field)) << field << " in " << audio;
    }
    const std::string plain = listener.readLine(10s).value_or("");
    EXPECT_TRUE(holds(plain, "\"tos\": 0,")) << "a zero type of service takes the plain socket: " << plain;
    EXPECT_EQ(listener.wait(10s), 0);
}

TEST_F(UdpInterface, ReceivedDatagramsCarryTheIpPathAndTheirSender) {
    const int huPort = peerSends({"--to", kStackIpText, "--type", "HU", "--sender-mac", peerMac_, "--seq", "7",
                                  "--dst-vdn", "3", "--src-vdn", "2", "--payload", "a1a2a3"});
    J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->pathFlags, 0x0071);
    ASSERT_NE(packet->udpSourceRef, nullptr);
    EXPECT_EQ(std::memcmp(packet->udpSourceRef->address, kPeerIp, 4), 0);
    EXPECT_EQ(packet->udpSourceRef->port, huPort);
    EXPECT_EQ(packet->linkDestinationRef, nullptr);
    EXPECT_EQ(Bytes(packet->dataRef, packet->dataRef + packet->length), (Bytes{0xA1, 0xA2, 0xA3}));
    EXPECT_EQ(toHex({packet->headerRef + 2, 6}), toHex(peer_.macAddress()));
    J5FreePacketObj(&ctx_, packet);

    const int haPort = peerSends({"--to", kStackIpText, "--type", "HA", "--sender-mac", peerMac_, "--payload", "55"});
    packet = receiveWithin(&ctx_, true, 5s);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->pathFlags, 0x0069);
    ASSERT_NE(packet->udpSourceRef, nullptr);
    EXPECT_EQ(packet->udpSourceRef->port, haPort);
    EXPECT_EQ(Bytes(packet->dataRef, packet->dataRef + packet->length), Bytes{0x55});
    J5FreePacketObj(&ctx_, packet);
}

TEST_F(UdpInterface, GroupDestinationsGoToTheMulticastPort) {
    ChildProcess listener;
    startListener(listener, {"--group", "239.7.7.7", "--via", kPeerIpText});
    const auto peer = peer_.macAddress();
    const std::uint8_t group[4] = {239, 7, 7, 7};
    const Bytes hu = {0x42};
    ASSERT_EQ(J5Send(&ctx_, J5_TYPE_HU, peer.data(), 2, 3, hu.data(), 1, 0x0071, group, nullptr, 0, 0), J5_SENT);
    const std::string line = listener.readLine(10s).value_or("");
    for (const std::string& field :
         std::vector<std::string>{"\"port\": 47096", "\"ttl\": 128", "\"type\": \"HU\"", "\"payload\": \"42\""}) {
        EXPECT_TRUE(holds(line, field)) << field << " in " << line;
    }
    EXPECT_EQ(listener.wait(10s), 0);
}

TEST_F(UdpInterface, GroupTableHoldsFourGroupsAndLeavingRejoinsTheRest) {
    const std::uint8_t a[4] = {239, 1, 1, 1};
    const std::uint8_t b[4] = {239, 1, 1, 2};
    const std::uint8_t c[4] = {239, 1, 1, 3};
    const std::uint8_t d[4] = {239, 1, 1, 4};
    const std::uint8_t fifth[4] = {239, 1, 1, 5};
    const std::uint8_t notAGroup[4] = {240, 0, 0, 1};
    for (const auto* group : {a, b, c, d})
        EXPECT_EQ(IGMPJoinGroupToRcv(&ctx_, group, 1, 2), 1);
    EXPECT_EQ(IGMPJoinGroupToRcv(&ctx_, b, 1, 2), 1) << "a group already held";
    EXPECT_EQ(IGMPJoinGroupToRcv(&ctx_, fifth, 1, 2), 0);
    EXPECT_EQ(IGMPJoinGroupToRcv(&ctx_, notAGroup, 1, 2), 0);
    EXPECT_TRUE(eventually([&] { return kernelGroups() == "239.1.1.1 239.1.1.2 239.1.1.3 239.1.1.4"; }))
        << kernelGroups();

    EXPECT_EQ(IGMPRegisterToLeave(&ctx_, d), 1);
    EXPECT_EQ(IGMPRegisterToLeave(&ctx_, d), 0) << "no longer held";
    EXPECT_EQ(IGMPRegisterToLeave(&ctx_, fifth), 0);
    // A leave waits at most a second for the socket's reopen after the last one; a loaded machine may take longer.
    ASSERT_TRUE(eventually([&] { return kernelGroups() == "239.1.1.1 239.1.1.2 239.1.1.3"; })) << kernelGroups();
    EXPECT_EQ(IGMPRegisterToLeave(&ctx_, b), 1);
    EXPECT_TRUE(eventually([&] { return kernelGroups() == "239.1.1.1 239.1.1.3"; })) << kernelGroups();
    EXPECT_EQ(iface::acquireInterface(&ctx_)->udp->counters().joinsRefused.load(), 0u);

    // The groups kept were joined again on the new socket: the peer's packets to them arrive.
    for (const std::string& to : std::vector<std::string>{"239.1.1.3", "239.1.1.2", "239.1.1.1"}) {
        peerSends({"--to", to, "--via", kPeerIpText, "--sender-mac", peerMac_, "--payload", "0" + to.substr(8)});
    }
    for (const int marker : {0x3, 0x1}) {
        J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
        ASSERT_NE(packet, nullptr);
        EXPECT_EQ(markerOf(packet), marker) << "239.1.1.2 was left";
        EXPECT_EQ(packet->pathFlags, 0x0071);
        J5FreePacketObj(&ctx_, packet);
    }
}

TEST_F(UdpInterface, OwnMulticastPacketsAreNotDelivered) {
    const std::uint8_t group[4] = {239, 2, 2, 2};
    ASSERT_EQ(IGMPJoinGroupToRcv(&ctx_, group, 0, 0), 1);
    ASSERT_TRUE(eventually([&] { return kernelGroups() == "239.2.2.2"; }));
    peerSends({"--to", "239.2.2.2", "--via", kPeerIpText, "--sender-mac", stackMac_, "--payload", "01"});
    peerSends({"--to", "239.2.2.2", "--via", kPeerIpText, "--sender-mac", peerMac_, "--payload", "02"});
    J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
    EXPECT_EQ(markerOf(packet), 2) << "the first carried this station's own MAC";
    J5FreePacketObj(&ctx_, packet);
    EXPECT_EQ(iface::acquireInterface(&ctx_)->udp->counters().ownLoopedBack.load(), 1u);
}

// Port 47093 belongs to one socket of a namespace: a second interface waits for it and takes it
// over once the first one is closed.
TEST_F(UdpInterface, SecondInterfaceTakesThePortOverWhenTheFirstCloses) {
    J5NetIf second{};
    const J5IpSettings settings = stack_.ipSettings();
    J5Result result = J5_FAILED;
    ASSERT_TRUE(
        stackSpace_.run([&] { result = J5InitDefault(stack_.interface.c_str(), &second, nullptr, &settings); }));
    ASSERT_EQ(result, J5_OK);
    const auto secondIface = iface::acquireInterface(&second);
    EXPECT_TRUE(eventually([&] { return secondIface->udp->counters().bindRetries.load() > 0; }));
    J5Close(&ctx_);
    EXPECT_TRUE(eventually([&] { return stackSpace_.udpPortBound(J5_UDP_PORT); })) << "never taken over";
    peerSends({"--to", kStackIpText, "--sender-mac", peerMac_, "--payload", "07"});
    J5PacketObj* packet = receiveWithin(&second, false, 5s);
    EXPECT_EQ(markerOf(packet), 7);
    J5FreePacketObj(&second, packet);
    J5Close(&second);
}

TEST_F(UdpInterface, GroupCallsNeedAStartedInterface) {
    const std::uint8_t group[4] = {239, 3, 3, 3};
    J5Close(&ctx_);
    EXPECT_EQ(IGMPJoinGroupToRcv(&ctx_, group, 0, 0), 0);
    EXPECT_EQ(IGMPRegisterToLeave(&ctx_, group), 0);
    EXPECT_EQ(IGMPJoinGroupToRcv(nullptr, group, 0, 0), 0);
    J5NetIf configured{};
    ASSERT_TRUE(stackSpace_.run(
        [&] { ASSERT_EQ(J5InitConfiguration(nullptr, stack_.interface.c_str(), &configured, nullptr), J5_OK); }));
    EXPECT_EQ(IGMPJoinGroupToRcv(&configured, group, 0, 0), 0) << "configured, not started";
    const std::uint8_t peer[6] = {2, 0, 0, 0, 0, 1};
    J5Result started = J5_FAILED;
    ASSERT_TRUE(stackSpace_.run([&] { started = J5Start(nullptr, &configured, nullptr); }));
    ASSERT_EQ(started, J5_OK);
    EXPECT_EQ(IGMPJoinGroupToRcv(&configured, nullptr, 0, 0), 0);
    EXPECT_EQ(J5AudioSend(&configured, peer, nullptr, 4, 0x0069, kPeerIp, nullptr, 0, 0, 0), J5_SENT)
        << "without own IP settings the adapter still carries UDP";
    J5Close(&configured);
}

} // namespace
} // namespace ralnet::test
