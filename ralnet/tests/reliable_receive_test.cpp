// Receive connections: connect requests, in-sequence acceptance, repeats, "HE" replies, eviction.
#include "j5_frames.h"
#include "reliable_test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

namespace ralnet::test {
namespace {

constexpr std::uint8_t kOwn[6] = {0x02, 0, 0, 0, 0, 0x0B};
constexpr std::uint8_t kPeer[6] = {0x02, 0, 0, 0, 0, 0x01};
constexpr std::uint8_t kStranger[6] = {0x02, 0, 0, 0, 0, 0x02};

class ReliableReceiveTest : public ::testing::Test {
protected:
    explicit ReliableReceiveTest(std::uint16_t connections = 8)
        : stack(kOwn, connections), core(configFor(connections), stack) {}

    static reliable::ReliableConfig configFor(std::uint16_t connections) {
        reliable::ReliableConfig config;
        config.connections = connections;
        return config;
    }

    void fromPeer(PeerHeader h, const std::uint8_t* from = kPeer) {
        h.from = from;
        h.to = kOwn;
        deliverToCore(core, receivedFrame(stack.pools(), peerFrame(stack.pools(), h)));
    }

    void connect(std::uint16_t number, const std::uint8_t* from = kPeer, J5HeaderBitMap bitmap = 0x0011,
                 std::uint16_t vlan = 0) {
        fromPeer({J5_TYPE_HI, nullptr, nullptr, number, 1, 1, 0, 9, {0, 0, 0, 0}, bitmap, vlan}, from);
    }

    void data(std::uint16_t sequence, std::uint8_t marker, const std::uint8_t* from = kPeer,
              std::uint16_t receiverIndex = 0) {
        fromPeer({J5_TYPE_HR, nullptr, nullptr, sequence, 0x0102, 0x0305, receiverIndex, 9, {marker}}, from);
    }

    std::vector<std::uint8_t> deliveredMarkers() {
        std::vector<std::uint8_t> markers;
        for (auto* p : stack.data) {
            markers.push_back(p->dataRef[0]);
            stack.givePacket(p);
        }
        stack.data.clear();
        return markers;
    }

    void TearDown() override {
        stack.freeQueues();
        EXPECT_EQ(stack.pools().outstanding(), 0u) << "every packet object came back";
    }

    kez::sys::TestClock clock{5000};
    FakeStack stack;
    reliable::ReliableCore core;
};

TEST_F(ReliableReceiveTest, AcceptsOnlyTheNextSequenceAndAcknowledgesTheRepeatAgain) {
    connect(4);
    auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, padded(hex("02 00 00 00 00 01  02 00 00 00 00 0B  88 B5"
                                          "48 59  02 00 00 00 00 0B  00 04  00 01  00 01  00 09  00 00  00 01")));

    data(5, 'a');
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, padded(hex("02 00 00 00 00 01  02 00 00 00 00 0B  88 B5"
                                          "48 48  02 00 00 00 00 0B  00 05  03 05  00 01  00 09  00 00")));
    data(5, 'b');
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).type, J5_TYPE_HH);
    EXPECT_EQ(seen(frames[0]).sequence, 5);
    data(7, 'c');
    EXPECT_TRUE(stack.takeSent().empty());
    data(6, 'd');
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).sequence, 6);

    EXPECT_EQ(deliveredMarkers(), (std::vector<std::uint8_t>{'a', 'd'}));
    const auto c = core.receiver().inspect(kPeer);
    EXPECT_EQ(c->expectedSequence, 7);
    EXPECT_EQ(c->counters.repeatsAcknowledged, 1u);
    EXPECT_EQ(c->counters.dropped, 1u);
}

TEST_F(ReliableReceiveTest, DeliveredPacketDescribesItsPayloadAndKeepsItsHeader) {
    connect(4);
    data(5, 'a');
    ASSERT_EQ(stack.data.size(), 1u);
    const J5PacketObj& p = *stack.data[0];
    EXPECT_EQ(p.dataRef, p.headerRef + 18);
    EXPECT_EQ(p.length, 60 - 14 - 18); // plain Ethernet keeps the padding
    EXPECT_EQ(wire::loadBe16(p.headerRef), J5_TYPE_HR);
    EXPECT_EQ(p.pathFlags, 0x0011);
}

TEST_F(ReliableReceiveTest, RepeatedConnectIsAnsweredRepeatedAndKeepsTheExpectedSequence) {
    connect(4);
    data(5, 'a');
    stack.takeSent();
    connect(4);
    auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).type, J5_TYPE_HY);
    EXPECT_EQ(seen(frames[0]).firstWord, 0x0002);
    EXPECT_EQ(core.receiver().inspect(kPeer)->expectedSequence, 6);

    connect(40); // a new number opens anew
    EXPECT_EQ(seen(stack.takeSent().at(0)).firstWord, 0x0001);
    EXPECT_EQ(core.receiver().inspect(kPeer)->expectedSequence, 41);
}

TEST_F(ReliableReceiveTest, DataFromAStrangerIsAnsweredNotConnected) {
    fromPeer({J5_TYPE_HR, nullptr, nullptr, 0x1234, 0x0102, 0x0777, 0x0005, 0x0042, {1, 2, 3}}, kStranger);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    // Destination device = the "HR"'s source device, source device 1; its index back, none of ours.
    EXPECT_EQ(frames[0].bytes, padded(hex("02 00 00 00 00 02  02 00 00 00 00 0B  88 B5"
                                          "48 45  02 00 00 00 00 0B  12 34  07 77  00 01  00 42  FF FF  80 02")));
    EXPECT_TRUE(stack.data.empty());
    EXPECT_FALSE(core.receiver().inspect(kStranger));
}

TEST_F(ReliableReceiveTest, DataOnAConnectionNotYetOpenResetsExpectedAndAsksForConnect) {
    ASSERT_TRUE(core.receiver().setPinned(kPeer, 1, 0x0011));
    data(0x20, 'a');
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    const SeenHeader he = seen(frames[0]);
    EXPECT_EQ(he.type, J5_TYPE_HE);
    EXPECT_EQ(he.sequence, 0x20);
    EXPECT_EQ(he.senderIndex, 0);
    EXPECT_EQ(he.firstWord, J5_CAUSE_NOT_CONNECTED);
    EXPECT_EQ(core.receiver().inspect(kPeer)->expectedSequence, 0x20);
}

TEST_F(ReliableReceiveTest, SequenceWrapsFrom65535ToZero) {
    connect(0xFFFE);
    data(0xFFFF, 'a');
    data(0xFFFF, 'x'); // repeat of the last one across the wrap
    data(0x0000, 'b');
    data(0x0001, 'c');
    EXPECT_EQ(deliveredMarkers(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(seen(frames[2]).type, J5_TYPE_HH);
    EXPECT_EQ(seen(frames[2]).sequence, 0xFFFF);
    EXPECT_EQ(seen(frames[3]).sequence, 0x0000);
}

TEST_F(ReliableReceiveTest, FullApplicationQueueLeavesThePacketUnacknowledgedForItsRetransmission) {
    connect(4);
    stack.takeSent();
    stack.dataCapacity = 0;
    data(5, 'a');
    EXPECT_TRUE(stack.takeSent().empty());
    stack.dataCapacity = 10;
    data(5, 'a');
    EXPECT_EQ(stack.takeSent().size(), 1u);
    EXPECT_EQ(deliveredMarkers(), (std::vector<std::uint8_t>{'a'}));
}

TEST_F(ReliableReceiveTest, NoReplyObjectLeavesThePacketUnacknowledged) {
    connect(4);
    stack.takeSent();
    stack.poolDry_ = true;
    data(5, 'a');
    stack.poolDry_ = false;
    EXPECT_TRUE(stack.takeSent().empty());
    EXPECT_TRUE(stack.data.empty());
    EXPECT_EQ(core.receiver().inspect(kPeer)->expectedSequence, 5);
}

TEST_F(ReliableReceiveTest, RepliesGoBackOnTheTaggedPathWithTheirPriority) {
    connect(4, kPeer, 0x0013, 0x0123);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(wire::loadBe16(&frames[0].bytes[12]), 0x8100);
    EXPECT_EQ(wire::loadBe16(&frames[0].bytes[14]), 0xC123);
    EXPECT_EQ(seen(frames[0], 18).type, J5_TYPE_HY);
    EXPECT_EQ(core.receiver().inspect(kPeer)->linkFlags, 0x0013);
}

TEST_F(ReliableReceiveTest, RepliesToUdpGoToTheSenderAddressWithTheirTypeOfService) {
    const std::uint8_t source[4] = {10, 0, 0, 7};
    const Bytes frame = peerFrame(stack.pools(), {J5_TYPE_HI, kPeer, kOwn, 4, 1, 1, 0, 9, {0, 0, 0, 0}, 0x0071});
    deliverToCore(core, receivedDatagram(stack.pools(), frame, source));
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bitmap, 0x0071);
    EXPECT_EQ(Bytes(frames[0].destIp, frames[0].destIp + 4), Bytes(source, source + 4));
    EXPECT_EQ(frames[0].typeOfService, 84);
    EXPECT_EQ(seen(frames[0], 0).type, J5_TYPE_HY);
    EXPECT_EQ(frames[0].bytes.size(), 20u);
}

TEST_F(ReliableReceiveTest, IndexFromTheWireIsCheckedBeforeUse) {
    connect(4);
    stack.takeSent();
    data(5, 'a', kPeer, 0xFFFF);
    data(6, 'b', kPeer, 7); // an unused slot
    EXPECT_EQ(deliveredMarkers(), (std::vector<std::uint8_t>{'a', 'b'}));
}

class ReliableReceiveSmallTableTest : public ReliableReceiveTest {
protected:
    ReliableReceiveSmallTableTest() : ReliableReceiveTest(2) {}
};

TEST_F(ReliableReceiveSmallTableTest, ConnectIsRefusedWhenEverySlotIsPinned) {
    const std::uint8_t a[6] = {0x02, 0, 0, 0, 0, 0x21};
    ASSERT_TRUE(core.receiver().setPinned(kPeer, 1, 0x0011));
    ASSERT_TRUE(core.receiver().setPinned(a, 1, 0x0011));
    clock.advance(1000);
    fromPeer({J5_TYPE_HI, nullptr, nullptr, 0x0444, 1, 1, 0, 0x0011, {0, 0, 0, 0}}, kStranger);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, padded(hex("02 00 00 00 00 02  02 00 00 00 00 0B  88 B5"
                                          "48 45  02 00 00 00 00 0B  04 44  00 01  00 01  00 11  FF FF  80 03")));
}

TEST_F(ReliableReceiveSmallTableTest, LongestIdlePeerIsEvictedAndToldOnAnUntaggedFrame) {
    clock.set(0);
    connect(4, kPeer, 0x0013, 0x0005); // tagged; idle from now on
    data(5, 'a');
    clock.set(30000);
    const std::uint8_t a[6] = {0x02, 0, 0, 0, 0, 0x21};
    connect(8, a);
    stack.takeSent();
    // 40 s idle against 10 s: the longer idle one goes, though its age exceeds 32,767 ms.
    clock.set(40000);
    connect(0x10, kStranger);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, padded(hex("02 00 00 00 00 01  02 00 00 00 00 0B  88 B5"
                                          "48 45  02 00 00 00 00 0B  00 06  00 01  00 01  00 09  00 00  80 04")));
    EXPECT_EQ(seen(frames[1]).type, J5_TYPE_HY);
    EXPECT_EQ(seen(frames[1]).senderIndex, 0);
    EXPECT_FALSE(core.receiver().inspect(kPeer));
    EXPECT_TRUE(core.receiver().inspect(a));
    deliveredMarkers();
}

} // namespace
} // namespace ralnet::test
