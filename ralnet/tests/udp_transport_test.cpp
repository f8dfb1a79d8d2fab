// The UDP transport across a veth pair: the stack in one private namespace, a plain-socket peer
// in the other. The peer's sockets and the kernel's group list are the oracles.
#include "eventually.h"
#include "net_namespace.h"
#include "pool/packet_pools.h"
#include "privileged.h"
#include "udp/udp_transport.h"
#include "wire/packet_builder.h"

#include "kez/sys/thread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using kez::net::Ipv4Address;
using kez::net::ReceiveStatus;
using kez::net::UdpSocket;
using ralnet::udp::UdpTransport;
using namespace std::chrono_literals;

constexpr Ipv4Address kStackIp{198, 18, 0, 1};
constexpr Ipv4Address kPeerIp{198, 18, 0, 2};
constexpr std::uint8_t kOwnMac[6] = {0x02, 0, 0, 0, 0, 0xA1};
constexpr std::uint8_t kPeerMac[6] = {0x02, 0, 0, 0, 0, 0xB2};

using kez::test::eventually;

std::vector<std::uint8_t> huDatagram(const std::uint8_t* senderMac, std::uint8_t marker) {
    std::vector<std::uint8_t> d = {'H', 'U'};
    d.insert(d.end(), senderMac, senderMac + 6);
    d.insert(d.end(), {0, 0, 0, 1, 0, 1, 0, 0, 0, 0, marker});
    return d;
}

class ReceivedPackets {
public:
    bool put(J5PacketObj* packet) {
        {
            std::lock_guard guard(lock_);
            packets_.push_back(packet);
        }
        changed_.notify_all();
        return true;
    }
    J5PacketObj* take(std::chrono::milliseconds limit = 5s) {
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, limit, [this] { return !packets_.empty(); });
        if (packets_.empty()) return nullptr;
        J5PacketObj* packet = packets_.front();
        packets_.pop_front();
        return packet;
    }
    std::size_t size() {
        std::lock_guard guard(lock_);
        return packets_.size();
    }
    ~ReceivedPackets() {
        for (J5PacketObj* packet : packets_)
            ralnet::PacketPools::giveBackToOwner(packet);
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<J5PacketObj*> packets_;
};

class UdpTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        link_ = std::make_unique<kez::test::VethLink>("u");
        if (const auto problem = link_->problem()) KEZ_SKIP_OR_FAIL(*problem);
        pools_ = ralnet::PacketPools::create({2, 2, 64});
        ASSERT_TRUE(pools_);
        transport_ = std::make_unique<UdpTransport>(ralnet::udp::UdpTransportSeams{
            [this] { return pools_->take(1514, false); }, [this](J5PacketObj* packet) { return received_.put(packet); },
            [](std::uint8_t* mac) { std::memcpy(mac, kOwnMac, 6); }});
    }

    void TearDown() override {
        if (!transport_) return;
        transport_->stop();
        unicastThread_.join();
        multicastThread_.join();
    }

    // Starts the stack inside its namespace, as J5Start would, with its receive threads.
    void startStack(const Ipv4Address& ownIp, const std::string& adapter) {
        J5IpSettings settings{};
        std::memcpy(settings.ownIp, ownIp.data(), 4);
        bool sending = false;
        ASSERT_TRUE(link_->first().run([&] {
            unicastThread_.start("udp-rx-test", [t = transport_.get()] { t->runUnicastReceiver(); });
            multicastThread_.start("mcast-rx-test", [t = transport_.get()] { t->runMulticastReceiver(); });
            sending = transport_->start(settings, adapter.c_str());
        }));
        ASSERT_TRUE(sending);
    }

    void openPeer(UdpSocket& socket, kez::net::UdpBindOptions options) {
        ASSERT_EQ(link_->second().openUdp(socket, options), 0);
    }

    kez::net::MulticastInterface peerInterface() {
        return {kPeerIp, static_cast<int>(link_->second().interfaceIndex(link_->pair().secondName()))};
    }

    bool stackIsMemberOf(const Ipv4Address& group) { return link_->first().joinedGroup(group); }

    void sendHu(const Ipv4Address& destination, std::uint16_t typeOfService) {
        J5PacketObj* packet = pools_->take(100, false);
        ASSERT_NE(packet, nullptr);
        ralnet::wire::PacketRequest request;
        request.header.type = J5_TYPE_HU;
        std::memcpy(request.header.senderMac, kOwnMac, 6);
        request.bitmap = 0x0071;
        const std::uint8_t payload[] = {0x12, 0x34};
        request.payload = payload;
        request.payloadLength = 2;
        ASSERT_EQ(ralnet::wire::buildPacket(*packet, request), ralnet::wire::BuildError::None);
        std::memcpy(packet->destIp, destination.data(), 4);
        packet->typeOfService = typeOfService;
        packet->freeAfterSend = 1;
        EXPECT_TRUE(transport_->send(*packet));
    }

    std::unique_ptr<kez::test::VethLink> link_;
    std::unique_ptr<ralnet::PacketPools> pools_;
    ReceivedPackets received_;
    std::unique_ptr<UdpTransport> transport_;
    kez::sys::Thread unicastThread_;
    kez::sys::Thread multicastThread_;
};

TEST_F(UdpTransportTest, SendsChoosePortTypeOfServiceAndTtl) {
    UdpSocket unicastPeer;
    UdpSocket groupPeer;
    const Ipv4Address group{239, 192, 0, 5};
    openPeer(unicastPeer, {.port = J5_UDP_PORT});
    openPeer(groupPeer, {.port = J5_UDP_MULTICAST_PORT, .reuseAddress = true});
    ASSERT_EQ(groupPeer.joinGroup(group, peerInterface()), 0);
    startStack(kStackIp, link_->pair().firstName());
    ASSERT_TRUE(transport_->canSend());

    std::uint8_t buffer[64];
    for (const std::uint16_t tos : {0x00, 0x54, 0xB8, 0x00}) {
        sendHu(kPeerIp, tos);
        const auto got = unicastPeer.receive(buffer, nullptr, 5s);
        ASSERT_EQ(got.status, ReceiveStatus::Datagram);
        EXPECT_EQ(got.length, 20u);
        EXPECT_EQ(std::memcmp(buffer, "HU", 2), 0);
        EXPECT_EQ(std::memcmp(buffer + 2, kOwnMac, 6), 0);
        EXPECT_EQ(got.typeOfService, tos);
        EXPECT_EQ(got.ttl, 128);
        EXPECT_EQ(got.source.address, kStackIp);
    }
    sendHu(group, 0x54);
    const auto got = groupPeer.receive(buffer, nullptr, 5s);
    ASSERT_EQ(got.status, ReceiveStatus::Datagram);
    EXPECT_EQ(got.typeOfService, 0x54);
    EXPECT_EQ(got.ttl, 128);
    // Sent objects went back at once; the receivers give theirs back when they stop.
    transport_->stop();
    unicastThread_.join();
    multicastThread_.join();
    EXPECT_EQ(pools_->outstanding(), 0u);
}

TEST_F(UdpTransportTest, ReceivedDatagramsBecomePacketsAndMalformedOnesAreDropped) {
    startStack(kStackIp, link_->pair().firstName());
    UdpSocket peer;
    openPeer(peer, {});
    const std::vector<std::uint8_t> runt{'H'};
    const std::vector<std::uint8_t> oversize(1477, 'H');
    const auto good = huDatagram(kPeerMac, 0x77);
    // The receiver binds its port on its own thread, and datagrams sent before are lost: one
    // datagram through shows it listens.
    J5PacketObj* first = nullptr;
    for (int attempt = 0; attempt < 20 && first == nullptr; ++attempt) {
        ASSERT_EQ(peer.sendTo(good, {kStackIp, J5_UDP_PORT}), 0);
        first = received_.take(500ms);
    }
    ASSERT_NE(first, nullptr);
    ralnet::PacketPools::giveBackToOwner(first);
    ASSERT_EQ(peer.sendTo(runt, {kStackIp, J5_UDP_PORT}), 0);
    ASSERT_EQ(peer.sendTo(oversize, {kStackIp, J5_UDP_PORT}), 0);
    ASSERT_EQ(peer.sendTo(good, {kStackIp, J5_UDP_PORT}), 0);

    J5PacketObj* packet = received_.take();
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->pathFlags, 0x0061);
    EXPECT_EQ(packet->length, good.size());
    EXPECT_EQ(std::memcmp(packet->headerRef, good.data(), good.size()), 0);
    ASSERT_NE(packet->udpSourceRef, nullptr);
    EXPECT_EQ(std::memcmp(packet->udpSourceRef->address, kPeerIp.data(), 4), 0);
    EXPECT_EQ(packet->udpSourceRef->port, peer.localEndpoint()->port);
    ralnet::PacketPools::giveBackToOwner(packet);
    EXPECT_EQ(transport_->counters().tooShort.load(), 1u);
    EXPECT_EQ(transport_->counters().tooLong.load(), 1u);
    EXPECT_EQ(received_.size(), 0u);
}

TEST_F(UdpTransportTest, GroupsAreJoinedAndLeftInTheKernel) {
    startStack(kStackIp, link_->pair().firstName());
    const Ipv4Address a{239, 192, 0, 1}, b{239, 192, 0, 2}, c{239, 192, 0, 3}, d{239, 192, 0, 4};
    for (const auto& g : {a, b, c})
        EXPECT_EQ(transport_->joinGroup(g.data(), 0, 0), 1);
    EXPECT_EQ(transport_->joinGroup(a.data(), 0, 0), 1);
    const std::uint8_t notAGroup[] = {240, 0, 0, 1};
    EXPECT_EQ(transport_->joinGroup(notAGroup, 0, 0), 0);
    ASSERT_TRUE(eventually([&] { return stackIsMemberOf(a) && stackIsMemberOf(b) && stackIsMemberOf(c); }));

    EXPECT_EQ(transport_->leaveGroup(a.data()), 1);
    EXPECT_EQ(transport_->leaveGroup(a.data()), 0);
    ASSERT_TRUE(eventually([&] { return !stackIsMemberOf(a); }));
    ASSERT_TRUE(eventually([&] { return stackIsMemberOf(b) && stackIsMemberOf(c); }));
    EXPECT_EQ(transport_->groups().count, 2u);

    EXPECT_EQ(transport_->joinGroup(a.data(), 0, 0), 1);
    EXPECT_EQ(transport_->joinGroup(d.data(), 0, 0), 1);
    const std::uint8_t fifth[] = {239, 192, 0, 5};
    EXPECT_EQ(transport_->joinGroup(fifth, 0, 0), 0);
    ASSERT_TRUE(eventually([&] { return stackIsMemberOf(a) && stackIsMemberOf(d); }));
    EXPECT_EQ(transport_->counters().joinsRefused.load(), 0u);
}

TEST_F(UdpTransportTest, PeerMulticastReachesTheSeamButOwnPacketsDoNot) {
    startStack(kStackIp, link_->pair().firstName());
    const Ipv4Address group{239, 192, 0, 9};
    ASSERT_EQ(transport_->joinGroup(group.data(), 0, 0), 1);
    ASSERT_TRUE(eventually([&] { return stackIsMemberOf(group); }));
    UdpSocket peer;
    openPeer(peer, {});
    ASSERT_EQ(peer.setMulticastInterface({kPeerIp, 0}), 0);
    ASSERT_EQ(peer.sendTo(huDatagram(kOwnMac, 1), {group, J5_UDP_MULTICAST_PORT}), 0);
    ASSERT_EQ(peer.sendTo(huDatagram(kPeerMac, 2), {group, J5_UDP_MULTICAST_PORT}), 0);

    J5PacketObj* packet = received_.take();
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(std::memcmp(packet->headerRef + 2, kPeerMac, 6), 0);
    EXPECT_EQ(packet->pathFlags, 0x0061);
    EXPECT_EQ(std::memcmp(packet->udpSourceRef->address, kPeerIp.data(), 4), 0);
    ralnet::PacketPools::giveBackToOwner(packet);
    EXPECT_EQ(transport_->counters().ownLoopedBack.load(), 1u);
}

TEST_F(UdpTransportTest, RefusedJoinKeepsTheMulticastReceiver) {
    // No own address and no such adapter: the kernel finds no interface for the group.
    startStack({0, 0, 0, 0}, "no-such-if");
    const Ipv4Address group{239, 192, 0, 7};
    ASSERT_EQ(transport_->joinGroup(group.data(), 0, 0), 1);
    ASSERT_TRUE(eventually([&] { return transport_->counters().joinsRefused.load() == 1; }));
    EXPECT_EQ(transport_->groups().count, 0u);

    ASSERT_TRUE(link_->first().ip("route add 224.0.0.0/4 dev " + link_->pair().firstName()));
    ASSERT_EQ(transport_->joinGroup(group.data(), 0, 0), 1);
    ASSERT_TRUE(eventually([&] { return stackIsMemberOf(group); }));
    UdpSocket peer;
    openPeer(peer, {});
    ASSERT_EQ(peer.setMulticastInterface({kPeerIp, 0}), 0);
    ASSERT_EQ(peer.sendTo(huDatagram(kPeerMac, 3), {group, J5_UDP_MULTICAST_PORT}), 0);
    J5PacketObj* packet = received_.take();
    ASSERT_NE(packet, nullptr);
    ralnet::PacketPools::giveBackToOwner(packet);
}

} // namespace
