// Rules of the UDP path without sockets: address checks, the group table, and how a received
// datagram becomes a packet.
#include "pool/packet_pools.h"
#include "udp/datagram_intake.h"
#include "udp/group_table.h"
#include "udp/ip_address_checks.h"
#include "udp/udp_sender.h"
#include "wire/packet_builder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace ralnet::udp;
using kez::net::Ipv4Address;

J5IpSettings settings(Ipv4Address own, Ipv4Address mask, Ipv4Address subnet, Ipv4Address gateway) {
    J5IpSettings s{};
    std::memcpy(s.ownIp, own.data(), 4);
    std::memcpy(s.subnetMask, mask.data(), 4);
    std::memcpy(s.ownSubnet, subnet.data(), 4);
    std::memcpy(s.defaultGateway, gateway.data(), 4);
    return s;
}

TEST(UdpAddressChecks, OwnAddressAndGateway) {
    const auto good = settings({10, 1, 2, 3}, {255, 255, 255, 0}, {10, 1, 2, 0}, {10, 1, 2, 1});
    EXPECT_EQ(myAddressCheck(good), J5_OK);
    EXPECT_EQ(gatewayAddressCheck(good), J5_OK);
    EXPECT_EQ(gatewayAddressCheck(settings({10, 1, 2, 3}, {255, 255, 255, 0}, {10, 1, 2, 0}, {10, 1, 3, 1})),
              J5_FAILED);
    EXPECT_EQ(myAddressCheck(settings({0, 0, 0, 0}, {255, 255, 255, 0}, {}, {})), J5_FAILED);
    EXPECT_EQ(myAddressCheck(settings({10, 1, 2, 3}, {255, 255, 255, 255}, {}, {})), J5_FAILED);
    EXPECT_EQ(gatewayAddressCheck(settings({10, 1, 2, 3}, {255, 255, 255, 0}, {10, 1, 2, 0}, {0, 0, 0, 0})), J5_FAILED);
}

TEST(UdpAddressChecks, ExportsRefuseMissingSettings) {
    const auto good = settings({10, 1, 2, 3}, {255, 255, 255, 0}, {10, 1, 2, 0}, {10, 1, 2, 1});
    EXPECT_EQ(IPMyAddressCheck(&good), J5_OK);
    EXPECT_EQ(IPGWAddressCheck(&good), J5_OK);
    EXPECT_EQ(IPMyAddressCheck(nullptr), J5_FAILED);
    EXPECT_EQ(IPGWAddressCheck(nullptr), J5_FAILED);
}

TEST(UdpAddressChecks, GroupsGoToTheMulticastPort) {
    const std::uint8_t unicast[] = {10, 1, 2, 3};
    const std::uint8_t lowest[] = {224, 0, 0, 0};
    const std::uint8_t highest[] = {239, 255, 255, 255};
    const std::uint8_t above[] = {240, 0, 0, 1};
    EXPECT_EQ(destinationPort(unicast), 47093);
    EXPECT_EQ(destinationPort(lowest), 47096);
    EXPECT_EQ(destinationPort(highest), 47096);
    EXPECT_EQ(destinationPort(above), 47093);
    EXPECT_FALSE(isGroupAddress(above));
}

TEST(UdpGroupTable, HoldsFourDistinctGroupsInTheGroupRange) {
    GroupTable table;
    EXPECT_EQ(table.add({239, 1, 1, 1}, 7, 8), AddResult::Added);
    EXPECT_EQ(table.add({239, 1, 1, 1}, 7, 8), AddResult::AlreadyPresent);
    EXPECT_EQ(table.add({240, 0, 0, 1}, 0, 0), AddResult::NotAGroup);
    EXPECT_EQ(table.add({241, 0, 0, 1}, 0, 0), AddResult::NotAGroup);
    EXPECT_EQ(table.add({239, 1, 1, 2}, 0, 0), AddResult::Added);
    EXPECT_EQ(table.add({239, 1, 1, 3}, 0, 0), AddResult::Added);
    EXPECT_EQ(table.add({224, 0, 0, 9}, 0, 0), AddResult::Added);
    EXPECT_EQ(table.add({239, 1, 1, 5}, 0, 0), AddResult::Full);
    EXPECT_EQ(table.snapshot().count, 4u);
    EXPECT_EQ(table.takeJoins().count, 4u);
    EXPECT_EQ(table.takeJoins().count, 0u);
}

TEST(UdpGroupTable, LeaveMovesTheLastEntryAndRejoinsTheRest) {
    GroupTable table;
    for (std::uint8_t i = 1; i <= 3; ++i)
        table.add({239, 1, 1, i}, 0, 0);
    table.takeJoins();
    EXPECT_FALSE(table.remove({239, 9, 9, 9}));
    ASSERT_TRUE(table.remove({239, 1, 1, 1}));
    const GroupList left = table.snapshot();
    ASSERT_EQ(left.count, 2u);
    EXPECT_EQ(left.groups[0], (Ipv4Address{239, 1, 1, 3}));
    EXPECT_EQ(left.groups[1], (Ipv4Address{239, 1, 1, 2}));
    EXPECT_TRUE(table.takeLeave());
    EXPECT_FALSE(table.takeLeave());
    EXPECT_EQ(table.takeJoins().count, 2u);
}

TEST(UdpGroupTable, ASecondLeaveDuringAReopenStillRejoinsEveryGroupKept) {
    GroupTable table;
    for (std::uint8_t i = 1; i <= 4; ++i)
        table.add({239, 1, 1, i}, 0, 0);
    table.takeJoins();
    ASSERT_TRUE(table.remove({239, 1, 1, 4}));
    ASSERT_TRUE(table.takeLeave());
    ASSERT_TRUE(table.remove({239, 1, 1, 2})); // registered while the receiver reopens its socket
    EXPECT_EQ(table.takeJoins().count, 2u) << "joined on the reopened socket";
    ASSERT_TRUE(table.takeLeave());
    EXPECT_EQ(table.takeJoins().count, 2u) << "and again on the socket after the second leave";
}

TEST(UdpGroupTable, RefusedJoinFreesItsEntry) {
    GroupTable table;
    table.add({239, 1, 1, 1}, 0, 0);
    table.add({239, 1, 1, 2}, 0, 0);
    table.takeJoins();
    table.refuse({239, 1, 1, 1});
    EXPECT_EQ(table.snapshot().count, 1u);
    EXPECT_EQ(table.add({239, 1, 1, 1}, 0, 0), AddResult::Added);
}

class UdpIntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        pools_ = ralnet::PacketPools::create({2, 2, 4});
        ASSERT_TRUE(pools_);
        packet_ = pools_->take(1514, false);
        ASSERT_NE(packet_, nullptr);
    }
    void TearDown() override {
        if (packet_) ralnet::PacketPools::giveBackToOwner(packet_);
    }

    kez::net::ReceivedDatagram place(const std::vector<std::uint8_t>& bytes) {
        const auto area = datagramArea(*packet_);
        std::memcpy(area.data(), bytes.data(), std::min(bytes.size(), area.size()));
        kez::net::ReceivedDatagram d;
        d.status = bytes.size() > area.size() ? kez::net::ReceiveStatus::Truncated : kez::net::ReceiveStatus::Datagram;
        d.length = std::min(bytes.size(), area.size());
        d.source = {{198, 18, 0, 2}, 50123};
        return d;
    }

    std::unique_ptr<ralnet::PacketPools> pools_;
    J5PacketObj* packet_ = nullptr;
};

TEST_F(UdpIntakeTest, DatagramBecomesPacketWithUdpPathAndSender) {
    std::vector<std::uint8_t> hr = {'H', 'R', 2, 0, 0, 0, 0, 1, 0, 5, 0, 1, 0, 2, 0, 0, 0, 3, 0xDE, 0xAD};
    ASSERT_EQ(acceptDatagram(*packet_, place(hr)), IntakeVerdict::Accepted);
    EXPECT_EQ(packet_->pathFlags, 0x0061);
    EXPECT_EQ(packet_->headerRef, packet_->buffer + 42);
    EXPECT_EQ(packet_->dataRef, packet_->headerRef);
    EXPECT_EQ(packet_->length, hr.size());
    EXPECT_EQ(packet_->linkDestinationRef, nullptr);
    ASSERT_NE(packet_->udpSourceRef, nullptr);
    EXPECT_LT(reinterpret_cast<std::uint8_t*>(packet_->udpSourceRef), packet_->headerRef);
    EXPECT_EQ(std::memcmp(packet_->udpSourceRef->address, "\xC6\x12\x00\x02", 4), 0);
    EXPECT_EQ(packet_->udpSourceRef->port, 50123);
    const std::uint8_t own[] = {2, 0, 0, 0, 0, 1};
    const std::uint8_t other[] = {2, 0, 0, 0, 0, 2};
    EXPECT_TRUE(sentByOwnStation(*packet_, own));
    EXPECT_FALSE(sentByOwnStation(*packet_, other));
}

TEST_F(UdpIntakeTest, ShortAndOversizeDatagramsAreRefused) {
    EXPECT_EQ(acceptDatagram(*packet_, place({'H'})), IntakeVerdict::TooShort);
    EXPECT_EQ(acceptDatagram(*packet_, place({'H', 'R', 1, 2, 3})), IntakeVerdict::TooShort);
    EXPECT_EQ(acceptDatagram(*packet_, place({'H', 'A', 1, 2, 3, 4, 5})), IntakeVerdict::TooShort);
    EXPECT_EQ(acceptDatagram(*packet_, place(std::vector<std::uint8_t>(1477, 'H'))), IntakeVerdict::TooLong);
    EXPECT_EQ(acceptDatagram(*packet_, place({'H', 'A', 1, 2, 3, 4, 5, 6})), IntakeVerdict::Accepted);
    EXPECT_EQ(packet_->udpSourceRef->port, 50123);
}

TEST_F(UdpIntakeTest, BuiltUdpPacketYieldsItsWholeJ5Part) {
    ralnet::wire::PacketRequest request;
    request.header.type = J5_TYPE_HU;
    request.bitmap = 0x0071;
    const std::uint8_t payload[] = {1, 2, 3};
    request.payload = payload;
    request.payloadLength = 3;
    ASSERT_EQ(ralnet::wire::buildPacket(*packet_, request), ralnet::wire::BuildError::None);
    const auto part = j5PartOf(*packet_);
    ASSERT_EQ(part.size(), 21u);
    EXPECT_EQ(part[0], 'H');
    EXPECT_EQ(part[20], 3);
    packet_->sendHeaderRef = packet_->buffer - 1;
    EXPECT_TRUE(j5PartOf(*packet_).empty());
}

} // namespace
