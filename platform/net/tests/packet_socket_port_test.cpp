// The AF_PACKET backend against the real kernel, in private namespaces on a veth pair:
// memberships, tags from an independent sender, the broker's socket filter, adapter listing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>

#include "kez/net/adapters.h"
#include "kez/net/receive_filter.h"
#include "packet_socket.h"
#include "port_links.h"
#include "privileged.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;

// Groups the kernel does not join for IPv4 or IPv6 on its own.
constexpr MacAddress kTestGroup1{0x01, 0x00, 0x5e, 0x44, 0x44, 0x01};
constexpr MacAddress kTestGroup2{0x03, 0x00, 0x00, 0x44, 0x44, 0x02};
constexpr MacAddress kTestGroup3{0x01, 0x00, 0x5e, 0x44, 0x44, 0x03};

class PacketSocketPort : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        link_ = std::make_unique<VethPortLink>();
        if (const auto problem = link_->problem()) KEZ_SKIP_OR_FAIL(*problem);
    }

    std::unique_ptr<PacketPort> openA() {
        OpenedPort opened = link_->openA();
        EXPECT_TRUE(opened.status.ok()) << describe(opened.status);
        return std::move(opened.port);
    }

    std::unique_ptr<VethPortLink> link_;
};

TEST_F(PacketSocketPort, MembershipsShowInIpAndFollowTheSettings) {
    auto port = openA();
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->setMulticastList(std::vector{kTestGroup1, kTestGroup2}).ok());
    std::string maddr = link_->showA("maddr");
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup1)), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup2)), std::string::npos) << maddr;

    ASSERT_TRUE(port->setMulticastList(std::vector{kTestGroup3}).ok());
    maddr = link_->showA("maddr");
    EXPECT_EQ(maddr.find(formatMac(kTestGroup1)), std::string::npos) << maddr;
    EXPECT_EQ(maddr.find(formatMac(kTestGroup2)), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup3)), std::string::npos) << maddr;

    // Memberships count in the device's allmulti and promiscuity counters (ip -d link).
    ASSERT_TRUE(port->setPacketFilter(0x0D).ok());
    EXPECT_EQ(link_->counterOfA("allmulti"), 1);
    ASSERT_TRUE(port->setPacketFilter(0x29).ok());
    EXPECT_EQ(link_->counterOfA("allmulti"), 0);
    EXPECT_EQ(link_->counterOfA("promiscuity"), 1);

    port->close();
    EXPECT_EQ(link_->showA("maddr").find(formatMac(kTestGroup3)), std::string::npos);
    EXPECT_EQ(link_->counterOfA("promiscuity"), 0);
}

TEST_F(PacketSocketPort, TaggedFrameFromAnIndependentSenderKeepsItsTag) {
    auto port = openA();
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->setPacketFilter(PacketFilter::Directed).ok());
    const MacAddress own = port->macAddress();
    const Bytes part = j5Part(40, 7);
    const std::string script = "import sys\n"
                               "from scapy.all import Ether, Dot1Q, Raw, sendp\n"
                               "frame = Ether(dst=sys.argv[1], src='02:00:00:00:00:0b', type=0x8100) / "
                               "Dot1Q(prio=3, vlan=5, type=0x88B5) / Raw(bytes.fromhex(sys.argv[2]))\n"
                               "sendp(frame, iface=sys.argv[3], verbose=False)\n";
    const auto sent = test::runCommand(
        link_->second().exec({KEZ_PYTHON, "-c", script, formatMac(own), toHex(part), link_->pair().secondName()}));
    ASSERT_TRUE(sent.ok()) << sent.err;

    Bytes expected;
    appendMac(expected, own);
    appendMac(expected, kStationB);
    append16(expected, 0x8100);
    append16(expected, 3 << 13 | 5);
    append16(expected, 0x88B5);
    expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(receive(*port), expected) << "veth does not pad, so the frame is exactly what scapy built";
}

// A frame to everyone from B behind the given tag protocols (each with TCI 5), ending
// in `mark` so that it can be told apart after the kernel took a tag off.
Bytes behindTags(std::initializer_list<unsigned> tagTypes, unsigned type, std::uint8_t mark) {
    Bytes frame;
    appendMac(frame, kBroadcastMac);
    appendMac(frame, kStationB);
    for (const unsigned tagType : tagTypes) {
        append16(frame, tagType);
        append16(frame, 5);
    }
    append16(frame, type);
    const Bytes part = j5Part(45);
    frame.insert(frame.end(), part.begin(), part.end());
    frame.push_back(mark);
    return frame;
}

detail::PacketSocket brokerSocket(const VethPortLink& link) {
    detail::PacketSocket opened;
    link.first().run([&] { opened = detail::openPacketSocket(link.pair().firstName(), detail::SocketUse::Broker); });
    return opened;
}

// The next frame on a raw socket, or nullopt after `limitMs`.
std::optional<Bytes> nextFrame(int fd, int limitMs) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, limitMs) != 1) return std::nullopt;
    Bytes buffer(2048);
    const ssize_t length = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (length <= 0) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

// The kernel takes the outer tag (802.1Q or 802.1ad) off before the socket filter runs;
// the filter must still pass exactly what isJ5Frame passes with that tag in place.
TEST_F(PacketSocketPort, BrokerSocketPassesOnlyJ5FramesWhateverTagTheKernelTookOff) {
    const detail::PacketSocket locked = brokerSocket(*link_);
    ASSERT_TRUE(locked.status.ok()) << describe(locked.status);
    OpenedPort sender = VethPortLink::openIn(link_->second(), link_->pair().secondName());
    ASSERT_TRUE(sender.status.ok()) << describe(sender.status);

    const std::vector<Bytes> frames{
        behindTags({}, 0x88B5, 1),
        behindTags({0x8100}, 0x88B5, 2),
        behindTags({0x88A8}, 0x88B5, 3),
        behindTags({0x8100, 0x8100}, 0x88B5, 4),
        behindTags({0x88A8, 0x8100}, 0x88B5, 5),
        behindTags({0x8100}, 0x0800, 6),
        behindTags({0x9100}, 0x88B5, 7),
        behindTags({0x8100, 0x88A8}, 0x88B5, 8),
    };
    std::vector<int> expected;
    for (const Bytes& frame : frames) {
        if (isJ5Frame(frame)) expected.push_back(frame.back());
        ASSERT_TRUE(sender.port->writeFrame(frame).ok());
    }
    constexpr std::uint8_t kLast = 99;
    ASSERT_TRUE(sender.port->writeFrame(behindTags({}, 0x88B5, kLast)).ok());
    expected.push_back(kLast);

    std::vector<int> passed;
    while (passed.empty() || passed.back() != kLast) {
        const auto frame = nextFrame(locked.fd.get(), 5000);
        ASSERT_TRUE(frame) << "the last frame never came";
        passed.push_back(frame->back());
    }
    EXPECT_EQ(passed, expected);
}

// Bound again (which takes no capability) to another adapter or to every adapter, the
// broker's socket still sees its own adapter only.
TEST_F(PacketSocketPort, BrokerSocketBoundElsewhereSeesNoOtherAdapter) {
    const detail::PacketSocket locked = brokerSocket(*link_);
    ASSERT_TRUE(locked.status.ok()) << describe(locked.status);
    OpenedPort peer = link_->openB();
    ASSERT_TRUE(peer.status.ok()) << describe(peer.status);
    const test::VethPair other(link_->first(), link_->second());
    ASSERT_TRUE(other.valid()) << other.error();
    OpenedPort elsewhere = VethPortLink::openIn(link_->second(), other.secondName());
    ASSERT_TRUE(elsewhere.status.ok()) << describe(elsewhere.status);
    int otherIndex = 0;
    ASSERT_TRUE(
        link_->first().run([&] { otherIndex = static_cast<int>(::if_nametoindex(other.firstName().c_str())); }));
    const Bytes own = plainFrame(kBroadcastMac, kStationB, 46, 1);
    for (const int index : {otherIndex, 0}) {
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_protocol = htons(ETH_P_ALL);
        address.sll_ifindex = index;
        ASSERT_EQ(::bind(locked.fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_TRUE(elsewhere.port->writeFrame(plainFrame(kBroadcastMac, kStationB, 46, 2)).ok());
        ASSERT_TRUE(peer.port->writeFrame(own).ok());
        const auto expected = index == 0 ? std::optional(own) : std::nullopt;
        EXPECT_EQ(nextFrame(locked.fd.get(), expected ? 5000 : 300), expected) << index;
        EXPECT_EQ(nextFrame(locked.fd.get(), 300), std::nullopt) << index;
    }
}

TEST_F(PacketSocketPort, AdapterListingSeesOnlyItsNamespace) {
    std::vector<AdapterInfo> all;
    std::vector<AdapterInfo> withoutLoopback;
    ASSERT_TRUE(link_->first().run([&] {
        EXPECT_TRUE(listAdapters(all, {.includeLoopback = true}).ok());
        EXPECT_TRUE(listAdapters(withoutLoopback).ok());
    }));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "lo");
    EXPECT_TRUE(all[0].loopback);
    EXPECT_FALSE(all[0].ethernet);
    ASSERT_EQ(withoutLoopback.size(), 1u);
    const AdapterInfo& veth = withoutLoopback[0];
    EXPECT_EQ(veth.name, link_->pair().firstName());
    EXPECT_EQ(veth.driver, "veth");
    EXPECT_EQ(std::optional(formatMac(veth.mac)), test::linkAddress(link_->first(), veth.name));
    EXPECT_TRUE(veth.ethernet && veth.up && veth.running);
    EXPECT_EQ(veth.mtu, 1500u);
    ASSERT_EQ(veth.ipv4.size(), 1u);
    EXPECT_EQ(veth.ipv4[0].address, 0xC6120001u);
    EXPECT_EQ(veth.ipv4[0].netmask, 0xFFFFFF00u);
}

TEST_F(PacketSocketPort, OpenReportsAdapterProblems) {
    ASSERT_TRUE(link_->first().run([] {
        EXPECT_EQ(openPacketPort("lo").status.code, PortCode::NotEthernet);
        EXPECT_EQ(openPacketPort("kznone0").status.code, PortCode::NoSuchAdapter);
        EXPECT_EQ(openPacketPort("../kz").status.code, PortCode::InvalidName);
    }));
}

} // namespace
} // namespace kez::net
