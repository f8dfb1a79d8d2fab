// "HU", "HA" and "DL" through a whole interface on a virtual wire: what Ralnet sends is
// compared byte for byte (and through tshark) with the independent peer's frames, and what
// the peer injects in every framing comes back with its path flags, payload, tag and source.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link/frame_acceptance.h"
#include "link_cases.h"
#include "link_test_support.h"
#include "net_namespace.h"
#include "temp_dir.h"

#include "kez/net/packet_port.h"
#include "kez/net/pcap_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace ralnet::test {
namespace {

using namespace std::chrono_literals;
using kez::net::MacAddress;

const std::string kOwnText = "02:00:00:00:00:01";
const std::string kPeerText = "02:00:00:00:00:02";
const MacAddress kOwn = *kez::net::parseMac(kOwnText);
const MacAddress kPeer = *kez::net::parseMac(kPeerText);
const MacAddress kGroup = {0x03, 0x5A, 0x4E, 0x00, 0x00, 0x01};
const MacAddress kOtherGroup = {0x03, 0x5A, 0x4E, 0x00, 0x00, 0x02};

class VirtualWireExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(J5InitDefault(("vwire:" + wire_ + "@" + kOwnText).c_str(), &ctx_, nullptr, nullptr), J5_OK);
        peer_ = kez::net::openPacketPort("vwire:" + wire_ + "@" + kPeerText);
        ASSERT_TRUE(peer_.status.ok()) << kez::net::describe(peer_.status);
        ASSERT_TRUE(peer_.port->setPacketFilter(0x0D).ok());
        ASSERT_TRUE(waitForReceiveFilter(&ctx_));
    }

    void TearDown() override { J5Close(&ctx_); }

    Bytes peerRead() {
        Bytes buffer(1600);
        const auto read = peer_.port->readFrame(buffer, 5s);
        if (read.outcome != kez::net::ReadOutcome::Frame) return {};
        buffer.resize(read.length);
        return buffer;
    }

    void inject(const Bytes& frame) { ASSERT_TRUE(peer_.port->writeFrame(frame).ok()); }

    // The marker of the first data packet through after `candidate` was injected ahead of an
    // accepted marker frame; both are taken off the queue.
    int firstThrough(const Bytes& candidate, std::uint8_t marker) {
        inject(candidate);
        inject(huFrame(kOwn, kPeer, marker));
        J5PacketObj* first = receiveWithin(&ctx_, false, 5s);
        const int got = markerOf(first);
        J5FreePacketObj(&ctx_, first);
        if (got != marker) J5FreePacketObj(&ctx_, receiveWithin(&ctx_, false, 5s));
        return got;
    }

    std::string wire_ = uniqueName("ex");
    J5NetIf ctx_{};
    kez::net::OpenedPort peer_;
    const TempDir scratch_;
};

TEST_F(VirtualWireExchange, SentFramesMatchThePeerByteForByte) {
    const CaseSet set = makeCases(sendSpecs(kOwnText, kPeerText), scratch_.path());
    ASSERT_TRUE(set.error.empty()) << set.error;
    const auto pcap = scratch_.path() / "sent.pcap";
    kez::net::PcapWriter capture(pcap);
    for (const auto& c : set.cases) {
        ASSERT_EQ(sendThroughRalnet(&ctx_, c), J5_SENT) << c.request.name;
        const Bytes frame = peerRead();
        EXPECT_EQ(frame, c.frame) << c.request.name;
        capture.write(frame);
    }
    ASSERT_TRUE(capture.ok());
    EXPECT_EQ(verifyCapture(set.file, pcap), "ok");
    const auto iface = iface::acquireInterface(&ctx_);
    EXPECT_EQ(iface->counters.sentHu.load(), 3u);
    // The link receiver holds its 40; each UDP receiver one while it waits (the unicast one only
    // once port 47093, which parallel runs share, is its own).
    EXPECT_GE(iface->pools->outstanding(), 40u);
    EXPECT_LE(iface->pools->outstanding(), 42u) << "sent objects went back";
}

TEST_F(VirtualWireExchange, InjectedFramesComeBackInEveryFraming) {
    const CaseSet set = makeCases(receiveSpecs(kOwnText, kPeerText), scratch_.path());
    ASSERT_TRUE(set.error.empty()) << set.error;
    for (const auto& c : set.cases)
        inject(c.frame);
    for (const auto& c : set.cases) {
        J5PacketObj* packet = receiveWithin(&ctx_, c.request.type == "HA", 5s);
        ASSERT_NE(packet, nullptr) << c.request.name;
        EXPECT_EQ(compareReceived(*packet, c), "");
        J5FreePacketObj(&ctx_, packet);
    }
}

TEST_F(VirtualWireExchange, PacketFilterAndMulticastListFollowTheNdisBits) {
    EXPECT_EQ(firstThrough(huFrame(kGroup, kPeer, 1), 2), 2) << "the receiver's own filter 9 takes no multicast";
    EXPECT_EQ(firstThrough(huFrame(kez::net::kBroadcastMac, kPeer, 3), 4), 3) << "broadcast passes filter 9";

    ASSERT_EQ(J5SetMultiCastAddresses(&ctx_, kGroup.data(), 6), 1);
    ASSERT_EQ(J5SetPacketFilter(&ctx_, 11), 1);
    EXPECT_EQ(firstThrough(huFrame(kGroup, kPeer, 5), 6), 5) << "listed group with the multicast bit";
    EXPECT_EQ(firstThrough(huFrame(kOtherGroup, kPeer, 7), 8), 8) << "unlisted group";

    ASSERT_EQ(J5SetPacketFilter(&ctx_, 13), 1);
    EXPECT_EQ(firstThrough(huFrame(kOtherGroup, kPeer, 9), 10), 9) << "all multicast";
    EXPECT_EQ(firstThrough(huFrame(kOtherGroup, kOwn, 11), 12), 12) << "a group frame from our own address";

    ASSERT_EQ(J5SetMultiCastAddresses(&ctx_, nullptr, 0), 1);
    ASSERT_EQ(J5SetPacketFilter(&ctx_, 11), 1);
    EXPECT_EQ(firstThrough(huFrame(kGroup, kPeer, 13), 14), 14) << "the list was replaced by an empty one";

    const std::uint8_t notAGroup[6] = {0x02, 1, 2, 3, 4, 5};
    EXPECT_EQ(J5SetMultiCastAddresses(&ctx_, notAGroup, 6), 0);
    EXPECT_EQ(J5SetMultiCastAddresses(&ctx_, kGroup.data(), 5), 0) << "not a whole number of addresses";
    EXPECT_EQ(J5SetPacketFilter(&ctx_, 0x10000), 0) << "a bit the port cannot honour";
}

TEST_F(VirtualWireExchange, ReceiveFilterLengthsAndAddresses) {
    EXPECT_EQ(firstThrough(huFrame(kOwn, kPeer, 1, 1518), 2), 2) << "1,518 bytes";
    EXPECT_EQ(firstThrough(huFrame(kOwn, kPeer, 3, 1517), 4), 3) << "1,517 bytes";
    ASSERT_TRUE(peer_.port->setPacketFilter(0x29).ok());
    ASSERT_EQ(J5SetPacketFilter(&ctx_, 0x20), 1);
    EXPECT_EQ(firstThrough(huFrame(kPeer, kOwn, 5), 6), 6) << "unicast to another station, even when promiscuous";
    EXPECT_EQ(firstThrough(huFrame(kOwn, kPeer, 7, 59), 8), 8) << "shorter than 60 bytes";

    const std::uint8_t own[6] = {2, 0, 0, 0, 0, 1};
    const Bytes accepted = huFrame(kOwn, kPeer, 1, 1517);
    EXPECT_TRUE(link::frameAccepted(accepted, own));
    EXPECT_FALSE(link::frameAccepted(huFrame(kOwn, kPeer, 1, 1518), own));
    EXPECT_FALSE(link::frameAccepted(huFrame(kGroup, kOwn, 1), own));
    EXPECT_TRUE(link::frameAccepted(huFrame(kGroup, kPeer, 1), own));
    Bytes ipv4 = huFrame(kOwn, kPeer, 1);
    ipv4[12] = 0x08;
    ipv4[13] = 0x00;
    EXPECT_FALSE(link::frameAccepted(ipv4, own));
}

// With nothing left above the reserve, a control frame (here tagged) still gets an object to
// keep reading with; a data frame is counted as lost.
TEST_F(VirtualWireExchange, ControlFramesMayUseTheReserve) {
    const auto iface = iface::acquireInterface(&ctx_);
    std::vector<J5PacketObj*> held;
    while (J5PacketObj* p = iface->pools->take(372, false))
        held.push_back(p);
    Bytes hh = huFrame(kOwn, kPeer, 1);
    hh.insert(hh.begin() + 12, {0x81, 0x00, 0xC0, 0x05});
    hh[18] = 'H';
    hh[19] = 'H';
    inject(hh);
    inject(huFrame(kOwn, kPeer, 2));
    for (int i = 0; i < 500 && iface->counters.framesRead.load() < 2; ++i)
        std::this_thread::sleep_for(10ms);
    for (int i = 0; i < 500 && iface->counters.receivedReliable.load() < 1; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(iface->counters.receivedReliable.load(), 1u);
    EXPECT_EQ(iface->counters.framesLost.load(), 1u);
    EXPECT_EQ(iface->counters.receivedHu.load(), 0u);
    for (J5PacketObj* p : held)
        J5FreePacketObj(&ctx_, p);
    inject(huFrame(kOwn, kPeer, 3));
    J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
    EXPECT_EQ(markerOf(packet), 3) << "reading goes on once objects are back";
    J5FreePacketObj(&ctx_, packet);
}

TEST_F(VirtualWireExchange, AudioSwitchDropsAudioOnly) {
    const CaseSet set = makeCases(receiveSpecs(kOwnText, kPeerText), scratch_.path());
    ASSERT_TRUE(set.error.empty()) << set.error;
    const WireCase& audio = set.cases.at(0);
    ASSERT_EQ(audio.request.type, "HA");
    J5EnableAudioPacketsToApp(&ctx_, 0);
    inject(audio.frame);
    inject(huFrame(kOwn, kPeer, 1));
    J5FreePacketObj(&ctx_, receiveWithin(&ctx_, false, 5s));
    J5EnableAudioPacketsToApp(&ctx_, 1);
    inject(audio.frame);
    J5PacketObj* packet = receiveWithin(&ctx_, true, 5s);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(compareReceived(*packet, audio), "") << "the first one was dropped, this is the second";
    J5FreePacketObj(&ctx_, packet);
    EXPECT_EQ(iface::acquireInterface(&ctx_)->counters.audioSwitchedOff.load(), 1u);
}

TEST_F(VirtualWireExchange, SendArgumentsAreChecked) {
    const std::uint8_t* peer = kPeer.data();
    const std::uint8_t data[4] = {1, 2, 3, 4};
    const std::uint8_t ip[4] = {198, 18, 0, 2};
    EXPECT_EQ(J5AudioSend(&ctx_, peer, data, 4, 0x0001, nullptr, nullptr, 0, 0, 0), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5AudioSend(&ctx_, peer, data, 4, 0x0011, nullptr, nullptr, 0, 0, 0), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5AudioSend(&ctx_, nullptr, data, 4, 0x0009, nullptr, nullptr, 0, 0, 0), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5AudioSend(&ctx_, peer, data, 4, 0x0069, nullptr, nullptr, 0, 0, 0), J5_ERR_NO_DEST_IP);
    EXPECT_EQ(J5AudioSend(&ctx_, peer, data, 4, 0x0069, unZeroIPAddress, nullptr, 0, 0, 0), J5_ERR_NO_DEST_IP);
    iface::acquireInterface(&ctx_)->udp->stop(); // as when its send sockets could not be made
    EXPECT_EQ(J5AudioSend(&ctx_, peer, data, 4, 0x0069, ip, nullptr, 0, 0, 0), J5_ERR_NO_UDP_SOCKET);
    EXPECT_EQ(J5AudioSend(&ctx_, peer, nullptr, 1600, 0x0009, nullptr, nullptr, 0, 0, 0), J5_ERR_NO_BUFFER);
    EXPECT_EQ(J5DownloadSend(&ctx_, peer, data, 4, 0x0083, nullptr, nullptr, 0), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5DownloadSend(&ctx_, peer, data, 4, 0x0011, nullptr, nullptr, 0), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5SendUNROlderRev(0x0200, &ctx_, J5_TYPE_HU, peer, 1, 2, data, 4, 0x0181), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5SendUNROlderRev(0x0201, &ctx_, J5_TYPE_HA, peer, 1, 2, data, 4, 0x0181), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5SendUNROlderRev(0x0201, &ctx_, J5_TYPE_HU, peer, 1, 2, data, 4, 0x0183), J5_ERR_BAD_ARGUMENT);

    // A length without a payload sends zeros, never what an earlier user left in the buffer.
    ASSERT_EQ(J5AudioSend(&ctx_, peer, nullptr, 40, 0x0009, nullptr, nullptr, 0, 0, 0), J5_SENT);
    const Bytes frame = peerRead();
    ASSERT_EQ(frame.size(), 14u + 8 + 40);
    EXPECT_EQ(Bytes(frame.begin() + 22, frame.end()), Bytes(40, 0));
}

} // namespace
} // namespace ralnet::test
