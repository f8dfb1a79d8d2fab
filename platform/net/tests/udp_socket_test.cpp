// UDP sockets across a veth pair between two private namespaces: per-send and per-socket type
// of service and TTL seen in the receiver's ancillary data, truncation, wake-ups, and group
// membership as the kernel reports it.
#include "kez/net/udp_socket.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"
#include "net_namespace.h"
#include "privileged.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kez::net::Ipv4Address;
using kez::net::ReceiveStatus;
using kez::net::UdpSocket;
using namespace std::chrono_literals;

constexpr Ipv4Address kFirst{198, 18, 0, 1};
constexpr Ipv4Address kSecond{198, 18, 0, 2};
constexpr Ipv4Address kGroup{239, 192, 7, 9};
constexpr std::uint16_t kPort = 47500;

class UdpSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        link_ = std::make_unique<kez::test::VethLink>("us");
        if (const auto problem = link_->problem()) KEZ_SKIP_OR_FAIL(*problem);
    }

    static void openIn(const kez::test::NetNamespace& space, UdpSocket& socket, kez::net::UdpBindOptions options) {
        ASSERT_EQ(space.openUdp(socket, options), 0);
    }

    kez::net::MulticastInterface secondInterface() const {
        return {kSecond, static_cast<int>(link_->second().interfaceIndex(link_->pair().secondName()))};
    }

    std::unique_ptr<kez::test::VethLink> link_;
};

TEST_F(UdpSocketTest, SendsCarryTypeOfServiceAndTtlPerSendAndPerSocket) {
    UdpSocket sender;
    UdpSocket receiver;
    openIn(link_->first(), sender, {});
    openIn(link_->second(), receiver, {.port = kPort});
    const std::vector<std::uint8_t> payload{1, 2, 3, 4};
    std::uint8_t buffer[64];

    ASSERT_EQ(sender.sendTo(payload, {kSecond, kPort}, {.typeOfService = 0x54, .ttl = 77}), 0);
    auto got = receiver.receive(buffer, nullptr, 5s);
    ASSERT_EQ(got.status, ReceiveStatus::Datagram);
    EXPECT_EQ(got.length, 4u);
    EXPECT_EQ(got.typeOfService, 0x54);
    EXPECT_EQ(got.ttl, 77);
    EXPECT_EQ(got.source.address, kFirst);
    EXPECT_EQ(got.source.port, sender.localEndpoint()->port);

    ASSERT_EQ(sender.setTypeOfService(0xB8), 0);
    ASSERT_EQ(sender.setTtl(128), 0);
    ASSERT_EQ(sender.sendTo(payload, {kSecond, kPort}), 0);
    got = receiver.receive(buffer, nullptr, 5s);
    ASSERT_EQ(got.status, ReceiveStatus::Datagram);
    EXPECT_EQ(got.typeOfService, 0xB8);
    EXPECT_EQ(got.ttl, 128);
}

TEST_F(UdpSocketTest, LongDatagramIsReportedTruncated) {
    UdpSocket sender;
    UdpSocket receiver;
    openIn(link_->first(), sender, {});
    openIn(link_->second(), receiver, {.port = kPort});
    const std::vector<std::uint8_t> payload(17, 0xAB);
    std::uint8_t buffer[16];
    ASSERT_EQ(sender.sendTo(payload, {kSecond, kPort}), 0);
    const auto got = receiver.receive(buffer, nullptr, 5s);
    EXPECT_EQ(got.status, ReceiveStatus::Truncated);
    EXPECT_EQ(got.length, 16u);
}

TEST_F(UdpSocketTest, BlockedReceiverIsWokenAndTimesOutWithoutTraffic) {
    UdpSocket receiver;
    openIn(link_->second(), receiver, {.port = kPort});
    std::uint8_t buffer[16];
    EXPECT_EQ(receiver.receive(buffer, nullptr, 20ms).status, ReceiveStatus::TimedOut);

    kez::sys::Event wake(kez::sys::Event::Reset::Auto);
    ReceiveStatus status = ReceiveStatus::Error;
    kez::sys::Thread blocked;
    ASSERT_TRUE(blocked.start("udp-wake-test", [&] { status = receiver.receive(buffer, &wake).status; }));
    wake.set();
    ASSERT_TRUE(blocked.join());
    EXPECT_EQ(status, ReceiveStatus::Woken);
}

TEST_F(UdpSocketTest, OnlyTheJoiningSocketReceivesItsGroup) {
    UdpSocket sender;
    UdpSocket member;
    UdpSocket bystander;
    openIn(link_->first(), sender, {});
    ASSERT_EQ(sender.setMulticastInterface({kFirst, 0}), 0);
    openIn(link_->second(), member, {.port = kPort, .reuseAddress = true});
    openIn(link_->second(), bystander, {.port = kPort, .reuseAddress = true});
    ASSERT_EQ(member.joinGroup(kGroup, secondInterface()), 0);
    EXPECT_TRUE(link_->second().joinedGroup(kGroup));

    const std::vector<std::uint8_t> payload{9, 9};
    ASSERT_EQ(sender.sendTo(payload, {kGroup, kPort}), 0);
    std::uint8_t buffer[16];
    const auto got = member.receive(buffer, nullptr, 5s);
    ASSERT_EQ(got.status, ReceiveStatus::Datagram);
    EXPECT_EQ(got.source.address, kFirst);
    EXPECT_EQ(bystander.receive(buffer, nullptr, 200ms).status, ReceiveStatus::TimedOut);

    ASSERT_EQ(member.leaveGroup(kGroup, secondInterface()), 0);
    EXPECT_FALSE(link_->second().joinedGroup(kGroup));
}

TEST_F(UdpSocketTest, JoinOutsideTheGroupRangeIsRefused) {
    UdpSocket member;
    openIn(link_->second(), member, {.port = kPort});
    EXPECT_NE(member.joinGroup({240, 0, 0, 1}, secondInterface()), 0);
    EXPECT_NE(member.joinGroup(kSecond, secondInterface()), 0);
}

} // namespace
