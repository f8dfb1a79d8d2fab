// UDP sockets across a veth pair between two private namespaces: per-send and per-socket type
// of service and TTL seen in the receiver's ancillary data, truncation, wake-ups, and group
// membership as the kernel reports it.
#include "kez/net/udp_socket.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"
#include "net_namespace.h"
#include "privileged.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <net/if.h>
#include <sstream>
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
        first_ = std::make_unique<kez::test::NetNamespace>("us");
        second_ = std::make_unique<kez::test::NetNamespace>("ut");
        if (!first_->valid() || !second_->valid()) KEZ_SKIP_OR_FAIL("no namespaces: " + first_->error());
        veth_ = std::make_unique<kez::test::VethPair>(*first_, *second_,
                                                      kez::test::VethOptions{"198.18.0.1/24", "198.18.0.2/24"});
        if (!veth_->valid()) KEZ_SKIP_OR_FAIL("no veth pair: " + veth_->error());
    }

    // Opens `socket` inside a namespace; the socket stays there whichever thread uses it.
    static void openIn(const kez::test::NetNamespace& space, UdpSocket& socket, kez::net::UdpBindOptions options) {
        int error = -1;
        ASSERT_TRUE(space.run([&] { error = socket.open(options); }));
        ASSERT_EQ(error, 0);
    }

    static std::string igmpOf(const kez::test::NetNamespace& space) {
        std::string text;
        space.run([&] {
            std::ifstream in("/proc/thread-self/net/igmp");
            std::stringstream all;
            all << in.rdbuf();
            text = all.str();
        });
        return text;
    }

    static std::string igmpName(const Ipv4Address& group) {
        char name[9];
        std::snprintf(name, sizeof name, "%02X%02X%02X%02X", group[3], group[2], group[1], group[0]);
        return name;
    }

    kez::net::MulticastInterface secondInterface() const {
        return {kSecond, static_cast<int>(indexIn(*second_, veth_->secondName()))};
    }

    static unsigned indexIn(const kez::test::NetNamespace& space, const std::string& name) {
        unsigned index = 0;
        space.run([&] { index = if_nametoindex(name.c_str()); });
        return index;
    }

    std::unique_ptr<kez::test::NetNamespace> first_;
    std::unique_ptr<kez::test::NetNamespace> second_;
    std::unique_ptr<kez::test::VethPair> veth_;
};

TEST_F(UdpSocketTest, SendsCarryTypeOfServiceAndTtlPerSendAndPerSocket) {
    UdpSocket sender;
    UdpSocket receiver;
    openIn(*first_, sender, {});
    openIn(*second_, receiver, {.port = kPort});
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
    openIn(*first_, sender, {});
    openIn(*second_, receiver, {.port = kPort});
    const std::vector<std::uint8_t> payload(17, 0xAB);
    std::uint8_t buffer[16];
    ASSERT_EQ(sender.sendTo(payload, {kSecond, kPort}), 0);
    const auto got = receiver.receive(buffer, nullptr, 5s);
    EXPECT_EQ(got.status, ReceiveStatus::Truncated);
    EXPECT_EQ(got.length, 16u);
}

TEST_F(UdpSocketTest, BlockedReceiverIsWokenAndTimesOutWithoutTraffic) {
    UdpSocket receiver;
    openIn(*second_, receiver, {.port = kPort});
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
    openIn(*first_, sender, {});
    ASSERT_EQ(sender.setMulticastInterface({kFirst, 0}), 0);
    openIn(*second_, member, {.port = kPort, .reuseAddress = true});
    openIn(*second_, bystander, {.port = kPort, .reuseAddress = true});
    ASSERT_EQ(member.joinGroup(kGroup, secondInterface()), 0);
    EXPECT_NE(igmpOf(*second_).find(igmpName(kGroup)), std::string::npos);

    const std::vector<std::uint8_t> payload{9, 9};
    ASSERT_EQ(sender.sendTo(payload, {kGroup, kPort}), 0);
    std::uint8_t buffer[16];
    const auto got = member.receive(buffer, nullptr, 5s);
    ASSERT_EQ(got.status, ReceiveStatus::Datagram);
    EXPECT_EQ(got.source.address, kFirst);
    EXPECT_EQ(bystander.receive(buffer, nullptr, 200ms).status, ReceiveStatus::TimedOut);

    ASSERT_EQ(member.leaveGroup(kGroup, secondInterface()), 0);
    EXPECT_EQ(igmpOf(*second_).find(igmpName(kGroup)), std::string::npos);
}

TEST_F(UdpSocketTest, JoinOutsideTheGroupRangeIsRefused) {
    UdpSocket member;
    openIn(*second_, member, {.port = kPort});
    EXPECT_NE(member.joinGroup({240, 0, 0, 1}, secondInterface()), 0);
    EXPECT_NE(member.joinGroup(kSecond, secondInterface()), 0);
}

} // namespace
