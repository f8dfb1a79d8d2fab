// The J5 framing check, its kernel twin (the socket filter kez-rawsock locks), what the
// broker lets out, and the NDIS filter bits.
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "packet_socket.h"
#include "port_links.h"
#include "rawsock_rules.h"
#include "send_budget.h"

namespace kez::net {
namespace {

using namespace testing;

struct FramingCase {
    const char* name;
    Bytes frame;
    bool j5;
};

std::vector<FramingCase> framingCases() {
    Bytes shortSnap = snapFrame(kStationB, kStationA, false, 0x88B5);
    shortSnap.resize(20);
    Bytes wrongOui = snapFrame(kStationB, kStationA, false, 0x88B5);
    wrongOui[18] = 0x01;
    Bytes noSnapControl = snapFrame(kStationB, kStationA, true, 0x444C);
    noSnapControl[16] = 0x13;
    // A well-formed J5 SNAP frame behind a type-or-length field of `value`.
    const auto snapBehind = [](std::uint16_t value) {
        Bytes f = snapFrame(kStationB, kStationA, false, 0x88B5);
        f[12] = static_cast<std::uint8_t>(value >> 8);
        f[13] = static_cast<std::uint8_t>(value);
        return f;
    };
    return {
        {"snap, largest 802.3 length", snapBehind(0x05DC), true},
        {"snap behind 0x05DD", snapBehind(0x05DD), false},
        {"snap behind 0x0600", snapBehind(0x0600), false},
        {"snap behind 0x07FF", snapBehind(0x07FF), false},
        {"plain", plainFrame(kStationB, kStationA), true},
        {"tagged", taggedFrame(kStationB, kStationA, 0x2005), true},
        {"snap", snapFrame(kStationB, kStationA, false, 0x88B5), true},
        {"snap in tag", snapFrame(kStationB, kStationA, false, 0x88B5, 7), true},
        {"maker DL", snapFrame(kStationB, kStationA, true, 0x444C), true},
        {"maker HU", snapFrame(kStationB, kStationA, true, 0x4855), true},
        {"maker HU in tag", snapFrame(kStationB, kStationA, true, 0x4855, 3), true},
        {"maker HR", snapFrame(kStationB, kStationA, true, 0x4852), false},
        {"snap other protocol", snapFrame(kStationB, kStationA, false, 0x0800), false},
        {"snap wrong OUI", wrongOui, false},
        {"maker wrong control", noSnapControl, false},
        {"snap cut short", shortSnap, false},
        {"IPv4", etherTypeFrame(kStationB, kStationA, 0x0800), false},
        {"ARP", etherTypeFrame(kStationB, kStationA, 0x0806), false},
        {"tagged IPv4",
         [] {
             Bytes f = taggedFrame(kStationB, kStationA, 1);
             f[16] = 0x08;
             f[17] = 0x00;
             return f;
         }(),
         false},
        {"header only", Bytes(13, 0), false},
    };
}

TEST(J5Framing, SoftwareCheckFollowsTheFramingTable) {
    for (const auto& c : framingCases())
        EXPECT_EQ(isJ5Frame(c.frame), c.j5) << c.name;
}

// The socket filter runs on any socket: a Unix datagram pair shows what it passes
// without privileges.
TEST(J5Framing, SocketFilterAgreesWithSoftwareCheck) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, ends), 0);
    const sys::UniqueFd sender(ends[0]);
    const sys::UniqueFd receiver(ends[1]);
    ASSERT_TRUE(detail::attachJ5Filter(receiver.get(), detail::FilterLock::Locked).ok());
    for (const auto& c : framingCases()) {
        ASSERT_EQ(::send(sender.get(), c.frame.data(), c.frame.size(), 0), static_cast<ssize_t>(c.frame.size()));
        Bytes got(2048);
        const ssize_t length = ::recv(receiver.get(), got.data(), got.size(), MSG_DONTWAIT);
        EXPECT_EQ(length > 0, c.j5) << c.name;
        if (length > 0) {
            EXPECT_EQ(Bytes(got.begin(), got.begin() + length), c.frame) << c.name;
        }
    }
    EXPECT_NE(::setsockopt(receiver.get(), SOL_SOCKET, SO_DETACH_FILTER, nullptr, 0), 0);
}

TEST(BrokerRules, SendsOnlyJ5FramesFromTheOwnAddressOnTheBoundAdapter) {
    detail::BoundAdapter adapter{7, kStationA};
    for (const auto& c : framingCases()) {
        adapter.learnedTag = detail::outerTag(c.frame).value_or(0); // the framing is what counts here
        const PortCode expected = c.frame.size() < kMinFrameLength ? PortCode::InvalidArgument
                                  : c.j5                           ? PortCode::Ok
                                                                   : PortCode::PermissionDenied;
        EXPECT_EQ(detail::checkOutgoingFrame(adapter, 7, c.frame).code, expected) << c.name;
    }
    struct Case {
        const char* name;
        int ifindex;
        Bytes frame;
        PortCode code;
    };
    const std::vector<Case> cases{
        {"largest", 7, plainFrame(kStationB, kStationA, 1500), PortCode::Ok},
        {"one byte more", 7, plainFrame(kStationB, kStationA, 1501), PortCode::FrameTooLong},
        {"tagged and too long", 7,
         [] {
             Bytes f = taggedFrame(kStationB, kStationA, 5);
             f.resize(1515);
             return f;
         }(),
         PortCode::FrameTooLong},
        {"another source", 7, plainFrame(kStationB, kStranger), PortCode::PermissionDenied},
        {"group source", 7, plainFrame(kStationB, kBroadcastMac), PortCode::PermissionDenied},
        {"another adapter", 8, plainFrame(kStationB, kStationA), PortCode::PermissionDenied},
        {"every adapter", 0, plainFrame(kStationB, kStationA), PortCode::PermissionDenied},
    };
    adapter.learnedTag = 5;
    for (const auto& c : cases)
        EXPECT_EQ(detail::checkOutgoingFrame(adapter, c.ifindex, c.frame).code, c.code) << c.name;
}

TEST(BrokerRules, TagsNameNoVlanOrTheOneTheCallServerSentOn) {
    struct Case {
        const char* name;
        std::uint16_t learned;
        std::uint16_t tag;
        bool allowed;
    };
    const std::vector<Case> cases{
        {"nothing learned, priority only", 0, 0xC000, true},
        {"nothing learned, a VLAN", 0, 0xC005, false},
        {"learned VLAN, HR priority", 0x2005, 0xC005, true},
        {"learned VLAN, HI priority", 0x2005, 0xA005, true},
        {"learned VLAN, HU priority", 0x2005, 0x6005, true},
        {"learned VLAN, DL word", 0x2005, 0x0000, true},
        {"learned VLAN, its own priority", 0x2005, 0x2005, true},
        {"learned VLAN, drop-eligible as learned", 0x3005, 0x3005, true},
        {"another VLAN", 0x2005, 0xC006, false},
        {"highest priority", 0x2005, 0xE005, false},
        {"drop-eligible of its own", 0x2005, 0xD005, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detail::tagAllowed(c.tag, c.learned), c.allowed) << c.name;
        const detail::BoundAdapter adapter{7, kStationA, c.learned};
        EXPECT_EQ(detail::checkOutgoingFrame(adapter, 7, taggedFrame(kStationB, kStationA, c.tag)).ok(), c.allowed)
            << c.name;
    }
}

TEST(BrokerRules, LearnsTheTagOfReceivedFramesThatNameAVlan) {
    const std::vector<std::tuple<const char*, Bytes, std::uint16_t>> received{
        {"untagged", plainFrame(kStationA, kStationB), 0x2005},
        {"priority only", taggedFrame(kStationA, kStationB, 0x6000), 0x2005},
        {"a VLAN", taggedFrame(kStationA, kStationB, 0x3007), 0x3007},
        {"cut short", Bytes(15, 0x81), 0x2005},
    };
    for (const auto& [name, frame, learned] : received) {
        std::uint16_t tag = 0x2005;
        detail::learnTag(frame, tag);
        EXPECT_EQ(tag, learned) << name;
    }
}

// Time is handed in: the bucket is counted, never waited for.
TEST(SendBudget, PassesABurstThenTheRefillOnly) {
    using namespace std::chrono_literals;
    const auto start = detail::SendBudget::Clock::time_point{} + 1h;
    detail::SendBudget budget(start);
    int passed = 0;
    for (int i = 0; i < 3 * detail::SendBudget::kBurstFrames; ++i)
        passed += budget.take(start) ? 1 : 0;
    EXPECT_EQ(passed, detail::SendBudget::kBurstFrames) << "a burst beyond the bucket is dropped";
    const std::vector<std::pair<std::chrono::milliseconds, int>> refills{{0ms, 0}, {1ms, 1}, {50ms, 50}, {10s, 200}};
    auto now = start;
    for (const auto& [later, frames] : refills) {
        now += later;
        passed = 0;
        for (int i = 0; i < 1000; ++i)
            passed += budget.take(now) ? 1 : 0;
        EXPECT_EQ(passed, frames) << later.count() << " ms on";
    }
}

TEST(BrokerRules, JoinsGroupsAndAllMulticastButNeverPromiscuousMode) {
    const std::vector<std::tuple<std::uint16_t, MacAddress, PortCode>> cases{
        {PACKET_MR_MULTICAST, kGroup1, PortCode::Ok},
        {PACKET_MR_MULTICAST, kStationA, PortCode::InvalidArgument},
        {PACKET_MR_ALLMULTI, MacAddress{}, PortCode::Ok},
        {PACKET_MR_PROMISC, MacAddress{}, PortCode::PermissionDenied},
        {PACKET_MR_UNICAST, kStationA, PortCode::PermissionDenied},
        {99, kGroup1, PortCode::PermissionDenied},
    };
    for (const auto& [membership, group, code] : cases)
        EXPECT_EQ(detail::checkMembership(membership, group).code, code) << membership;
}

struct Destination {
    const char* name;
    MacAddress mac;
};

TEST(ReceiveFilter, HonoursNdisBits) {
    const std::vector<Destination> destinations{{"own", kStationB},
                                                {"stranger", kStranger},
                                                {"broadcast", kBroadcastMac},
                                                {"listed", kGroup1},
                                                {"unlisted", kGroup2}};
    struct Expectation {
        std::uint32_t bits;
        std::vector<bool> accepted; // in the order of `destinations`
    };
    const std::vector<Expectation> table{
        {0x00, {false, false, false, false, false}}, {0x01, {true, false, false, false, false}},
        {0x02, {false, false, false, true, false}},  {0x04, {false, false, false, true, true}},
        {0x08, {false, false, true, false, false}},  {0x09, {true, false, true, false, false}},
        {0x0B, {true, false, true, true, false}},    {0x0D, {true, false, true, true, true}},
        {0x20, {true, true, true, true, true}},
    };
    ReceiveFilter filter;
    filter.setOwnMac(kStationB);
    filter.setMulticastList({kGroup1});
    for (const auto& row : table) {
        filter.setBits(row.bits);
        for (std::size_t i = 0; i < destinations.size(); ++i) {
            EXPECT_EQ(filter.accepts(plainFrame(destinations[i].mac, kStationA)), row.accepted[i])
                << "bits " << row.bits << " to " << destinations[i].name;
        }
    }
    filter.setBits(PacketFilter::Promiscuous);
    EXPECT_FALSE(filter.accepts(etherTypeFrame(kStationB, kStationA, 0x0800))) << "only J5 frames, ever";
}

TEST(ReceiveFilter, RejectsBitsItCannotHonourAndBadMulticastLists) {
    EXPECT_TRUE(checkPacketFilterBits(0x2F).ok());
    EXPECT_EQ(checkPacketFilterBits(0x10).code, PortCode::Unsupported);
    EXPECT_EQ(checkPacketFilterBits(0x80000000).code, PortCode::Unsupported);

    std::vector<MacAddress> out{kGroup3};
    EXPECT_EQ(normaliseMulticastList(std::vector{kGroup1, kStationA}, out).code, PortCode::InvalidArgument);
    EXPECT_EQ(out, std::vector{kGroup3}) << "a refused list changes nothing";
    std::vector<MacAddress> tooMany;
    for (std::size_t i = 0; i <= kMaxMulticastAddresses; ++i) {
        tooMany.push_back({0x01, 0, 0, 0, 0, static_cast<std::uint8_t>(i)});
    }
    EXPECT_EQ(normaliseMulticastList(tooMany, out).code, PortCode::InvalidArgument);
    ASSERT_TRUE(normaliseMulticastList(std::vector{kGroup1, kGroup2, kGroup1}, out).ok());
    EXPECT_EQ(out, (std::vector{kGroup1, kGroup2}));
}

TEST(MacAddress, ParsesAndFormats) {
    EXPECT_EQ(parseMac("01:00:5E:7f:00:03"), kGroup3);
    EXPECT_EQ(parseMac("01-00-5e-7f-00-03"), kGroup3);
    EXPECT_FALSE(parseMac("01:00-5e:7f:00:03"));
    EXPECT_FALSE(parseMac("01:00:5e:7f:00:0g"));
    EXPECT_FALSE(parseMac("01:00:5e:7f:00:03:"));
    EXPECT_EQ(formatMac(kGroup3), "01:00:5e:7f:00:03");
}

TEST(AdapterName, RefusesPathsAndOverlongNames) {
    for (const char* bad : {"", "eth0/../x", "a:b", "with space", "0123456789abcdef", ".", ".."}) {
        EXPECT_EQ(detail::checkAdapterName(bad).code, PortCode::InvalidName) << bad;
    }
    EXPECT_TRUE(detail::checkAdapterName("enp0s31f6").ok());
    EXPECT_EQ(openPacketPort("no-such-if-9").status.code, PortCode::NoSuchAdapter);
    EXPECT_EQ(openPacketPort("vwire:").status.code, PortCode::InvalidName);
    EXPECT_EQ(openPacketPort("vwire:x@01:00:00:00:00:01").status.code, PortCode::InvalidName);
    EXPECT_EQ(openPacketPort("vhub:no-hub-here").status.code, PortCode::NoSuchAdapter);
}

} // namespace
} // namespace kez::net
