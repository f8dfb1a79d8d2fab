// Send connections: connecting, one packet in flight, retransmission, giving up, resynchronising.
#include "iface/tick_arming.h"
#include "reliable_test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <numeric>

namespace ralnet::test {
namespace {

constexpr std::uint8_t kOwn[6] = {0x02, 0, 0, 0, 0, 0x0A};
// Address bytes 4 and 5 are zero, so the first connect number is the tick plus 12345.
constexpr std::uint8_t kPeer[6] = {0x02, 0, 0, 0, 0, 0x00};
constexpr std::uint8_t kOther[6] = {0x02, 0, 0, 0, 0x01, 0x00};

class ReliableSendTest : public ::testing::Test {
protected:
    explicit ReliableSendTest(std::uint16_t connections = 8)
        : stack(kOwn, connections), core(configFor(connections), stack) {}

    static reliable::ReliableConfig configFor(std::uint16_t connections) {
        reliable::ReliableConfig config;
        config.connections = connections;
        return config;
    }

    J5Result sendHr(const Bytes& payload, J5HeaderBitMap bitmap = 0x0011, const std::uint8_t* to = kPeer,
                    std::uint16_t tci = 0, std::uint16_t ipTos = 0) {
        reliable::SendRequest r;
        r.type = J5_TYPE_HR;
        r.destMac = to;
        r.destVdn = 0x0102;
        r.srcVdn = 0x0304;
        r.payload = payload.data();
        r.length = static_cast<std::uint16_t>(payload.size());
        r.bitmap = bitmap;
        r.tci = tci;
        r.ipTos = ipTos;
        return core.calls().send(r);
    }

    void fromPeer(PeerHeader h, const std::uint8_t* from = kPeer) {
        h.from = from;
        h.to = kOwn;
        deliverToCore(core, receivedFrame(stack.pools(), peerFrame(stack.pools(), h)));
    }

    void answerConnect(std::uint16_t number, std::uint16_t answer = 1, const std::uint8_t* from = kPeer,
                       J5HeaderBitMap bitmap = 0x0011) {
        fromPeer({J5_TYPE_HY, nullptr, nullptr, number, 1, 1, 0, 7, {0x00, static_cast<std::uint8_t>(answer)}, bitmap},
                 from);
    }

    void acknowledge(std::uint16_t sequence, std::uint16_t receiverIndex = 0, const std::uint8_t* from = kPeer) {
        fromPeer({J5_TYPE_HH, nullptr, nullptr, sequence, 1, 1, receiverIndex, 7, {}}, from);
    }

    reliable::SendConnectionView view(const std::uint8_t* mac = kPeer) { return *core.sender().inspect(mac); }

    void TearDown() override { stack.freeQueues(); }

    kez::sys::TestClock clock{1000};
    FakeStack stack;
    reliable::ReliableCore core;
};

TEST_F(ReliableSendTest, FirstPacketConnectsWithInitialNumberThenFlowsInSequence) {
    EXPECT_EQ(sendHr({'a', 'b', 'c'}), 0x2002);
    auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    Bytes hi = hex("02 00 00 00 00 00  02 00 00 00 00 0A  88 B5"
                   "48 49  02 00 00 00 00 0A  34 21  00 01  00 01  00 00  00 00  00 00 00 00");
    hi.resize(60, 0);
    EXPECT_EQ(frames[0].bytes, hi);

    answerConnect(0x3421);
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    Bytes hr = hex("02 00 00 00 00 00  02 00 00 00 00 0A  88 B5"
                   "48 52  02 00 00 00 00 0A  34 22  01 02  03 04  00 07  00 00  61 62 63");
    hr.resize(60, 0);
    EXPECT_EQ(frames[0].bytes, hr);

    EXPECT_EQ(sendHr({'d'}), 0x2003);
    EXPECT_EQ(sendHr({'e'}), 0x2003);
    EXPECT_TRUE(stack.takeSent().empty()) << "one packet in flight per connection";

    acknowledge(0x3421); // not the one in flight
    EXPECT_TRUE(stack.takeSent().empty());
    EXPECT_EQ(view().counters.rejectedControl, 1u);

    acknowledge(0x3422);
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).sequence, 0x3423);
    EXPECT_EQ(frames[0].bytes[14 + 18], 'd');
    acknowledge(0x3423);
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).sequence, 0x3424);
    acknowledge(0x3424);
    EXPECT_TRUE(stack.takeSent().empty());
    EXPECT_EQ(view().waiting, 0);
    EXPECT_EQ(view().counters.acknowledgements, 3u);
}

TEST_F(ReliableSendTest, ConnectRepeatedOnInitialNumberReconnectsWithNextNumberOnce) {
    sendHr({1});
    stack.takeSent();
    answerConnect(0x3421, 2);
    auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).type, J5_TYPE_HI);
    EXPECT_EQ(seen(frames[0]).sequence, 0x3422);
    EXPECT_EQ(view().state, reliable::kSendConnecting);

    answerConnect(0x3422, 2); // no longer the initial number: taken as open
    frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).type, J5_TYPE_HR);
    EXPECT_EQ(seen(frames[0]).sequence, 0x3423);
    EXPECT_EQ(view().state, reliable::kSendOpen);
}

TEST_F(ReliableSendTest, SequenceNumbersWrapFrom65535ToZero) {
    clock.set(0xFFFE - 12345);
    sendHr({1});
    sendHr({2});
    sendHr({3});
    EXPECT_EQ(seen(stack.takeSent()[0]).sequence, 0xFFFE);
    answerConnect(0xFFFE);
    EXPECT_EQ(seen(stack.takeSent()[0]).sequence, 0xFFFF);
    acknowledge(0xFFFF);
    EXPECT_EQ(seen(stack.takeSent()[0]).sequence, 0x0000);
    acknowledge(0x0000);
    EXPECT_EQ(seen(stack.takeSent()[0]).sequence, 0x0001);
}

// Ticks every millisecond while the core keeps the tick armed; notes when frames leave, relative to `start`.
std::vector<std::uint32_t> frameTimes(kez::sys::TestClock& clock, FakeStack& stack, reliable::ReliableCore& core,
                                      std::uint32_t start, std::uint32_t span) {
    std::vector<std::uint32_t> times;
    for (std::uint32_t t = 1; t <= span; ++t) {
        clock.set(start + t);
        if (stack.tickArmed) stack.tickArmed = core.afterTick(); // as the tick thread: asleep once disarmed
        for (std::size_t n = stack.takeSent().size(); n > 0; --n)
            times.push_back(t);
    }
    return times;
}

TEST_F(ReliableSendTest, UnansweredHeadIsRetransmittedOnScheduleThenGivenUp) {
    sendHr({'x'});
    answerConnect(0x3421);
    sendHr({'y'});
    const Bytes first = stack.takeSent().at(1).bytes;

    const auto times = frameTimes(clock, stack, core, 1000, 3000);
    const std::vector<std::uint32_t> expected = {161, 322, 483, 734, 985, 1236, 1487, 1738, 1989, 2240};
    EXPECT_EQ(times, expected);
    EXPECT_EQ(view().counters.retransmissions, 10u);
    EXPECT_EQ(view().counters.giveUps, 1u);
    EXPECT_EQ(view().state, reliable::kSendFailed);

    // The give-up record and both held packets wait on the error queue, signalled once.
    ASSERT_EQ(stack.errors.size(), 3u);
    EXPECT_EQ(stack.errorSignals, 1);
    const auto record = reliable::readErrorRecord(*stack.errors[0]);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cause, J5_CAUSE_RETRY_LIMIT);
    EXPECT_EQ(record->held, 2);
    EXPECT_EQ(wire::loadBe16(stack.errors[0]->headerRef + 8), 0x3423);
    EXPECT_EQ(Bytes(stack.errors[1]->dataRef, stack.errors[1]->dataRef + stack.errors[1]->length), first);

    core.errorHandler().run(stack);
    EXPECT_TRUE(stack.takeSent().empty()) << "a given-up connection's packets are not sent again";
    EXPECT_EQ(core.errorHandler().counters().discarded, 2u);

    EXPECT_EQ(sendHr({'z'}), J5_ERR_RESYNC_NEEDED);
    reliable::SendRequest r{J5_TYPE_HR, kPeer, 1, 1, nullptr, 0, 0x0011, nullptr, 0, 0};
    EXPECT_EQ(core.calls().intrinsicSend(r), 0x2002);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(seen(frames[0]).type, J5_TYPE_HI);
    EXPECT_EQ(seen(frames[0]).sequence, 0x3422);
    EXPECT_EQ(view().waiting, 2);
}

// With the tick asleep after a quiet spell, a new head is resent on the first head's schedule.
TEST_F(ReliableSendTest, ResendScheduleHoldsAfterTheTickSlept) {
    sendHr({'x'});
    answerConnect(0x3421);
    acknowledge(0x3422);
    frameTimes(clock, stack, core, 1000, 1000);
    EXPECT_FALSE(stack.tickArmed);
    sendHr({'y'});
    EXPECT_EQ(frameTimes(clock, stack, core, 2000, 500), (std::vector<std::uint32_t>{1, 161, 322, 483}));
}

// A head sent while a scan runs keeps the tick running though the scan found nothing waiting.
TEST(TickArming, AHeadSentDuringAQuietScanKeepsTheTickRunning) {
    iface::TickArming arming;
    const std::uint32_t seen = arming.snapshot();
    EXPECT_TRUE(arming.arm()) << "arming from idle wakes the tick";
    arming.disarmIfUnchanged(seen);
    EXPECT_TRUE(arming.armed());
}

TEST_F(ReliableSendTest, RetransmissionsRepeatTheBuiltFrameUnchanged) {
    sendHr({'x'});
    answerConnect(0x3421);
    const Bytes first = stack.takeSent().back().bytes;
    const auto times = frameTimes(clock, stack, core, 1000, 170);
    ASSERT_EQ(times.size(), 1u);
    clock.set(1000 + 161 + 161);
    core.afterTick();
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, first);
}

TEST_F(ReliableSendTest, LargeBufferWaitsTwiceAsLong) {
    sendHr(Bytes(400, 0x55));
    answerConnect(0x3421);
    stack.takeSent();
    const auto times = frameTimes(clock, stack, core, 1000, 700);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{321, 642}));
}

TEST_F(ReliableSendTest, UnansweredConnectIsRetransmittedToo) {
    sendHr({'x'});
    stack.takeSent();
    const auto times = frameTimes(clock, stack, core, 1000, 200);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{161}));
}

// A full window of held packets follows the reconnect once each, in order and with the words they
// were first sent with. Until the error handler has put them back nothing connects ahead of them,
// and a later send queues behind them.
TEST_F(ReliableSendTest, PeerLostConnectionResendsAFullWindowOnceEachInOrderWithTheirWords) {
    // Tagged path with VLAN 0x123 and a type of service: the re-sent packets must carry the same.
    const J5HeaderBitMap tagged = 0x0013;
    constexpr std::uint8_t kHeld = 50;
    constexpr std::uint8_t kLater = 0xEE;
    const auto send = [&](std::uint8_t marker) { return sendHr({marker}, tagged, kPeer, 0x0123, 0xB800); };
    for (std::uint8_t i = 0; i < kHeld; ++i) {
        ASSERT_EQ(send(i) & 0xFF00, J5_QUEUED);
        if (i == 0) answerConnect(0x3421, 1, kPeer, tagged);
    }
    EXPECT_EQ(send(kLater), J5_ERR_WINDOW_FULL);
    const SentFrame firstHr = stack.takeSent().at(1);
    EXPECT_EQ(firstHr.typeOfService, 0x00B8);

    fromPeer({J5_TYPE_HE, nullptr, nullptr, 0x3422, 1, 1, 0, 0xFFFF, {0x80, 0x02}, tagged});
    ASSERT_EQ(stack.errors.size(), kHeld + 1u);
    EXPECT_EQ(send(kLater), J5_ERR_RESYNC_NEEDED);
    const reliable::SendRequest hc{J5_TYPE_HC, kPeer, 1, 1, nullptr, 0, tagged, nullptr, 0, 0x0123};
    EXPECT_EQ(core.calls().resync(hc), 0x8A05);
    EXPECT_EQ(send(kLater), J5_ERR_WINDOW_NOT_EMPTY);
    core.errorHandler().run(stack);
    EXPECT_EQ(send(kLater), J5_ERR_WINDOW_FULL) << "the connect request takes no data slot";

    auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    const SeenHeader hi = seen(frames[0], 18);
    EXPECT_EQ(hi.type, J5_TYPE_HI);
    EXPECT_EQ(hi.sequence, 0x3422);
    EXPECT_EQ(wire::loadBe16(&frames[0].bytes[14]), 0xA123);
    EXPECT_EQ(view().waiting, kHeld + 1); // the "HI" and the held packets

    answerConnect(0x3422, 1, kPeer, tagged);
    std::vector<std::uint8_t> delivered;
    while (!(frames = stack.takeSent()).empty()) {
        ASSERT_EQ(frames.size(), 1u);
        delivered.push_back(frames[0].bytes[18 + 18]);
        EXPECT_EQ(wire::loadBe16(&frames[0].bytes[14]), 0xC123);
        EXPECT_EQ(frames[0].typeOfService, firstHr.typeOfService);
        acknowledge(seen(frames[0], 18).sequence);
        if (delivered.size() == 1) {
            EXPECT_EQ(send(kLater), 0x2003);
        }
    }
    std::vector<std::uint8_t> expected(kHeld);
    std::iota(expected.begin(), expected.end(), std::uint8_t{0});
    expected.push_back(kLater);
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(view().waiting, 0);
}

TEST_F(ReliableSendTest, ErrorHandlerGoesOnAfterAFailedResynchronisation) {
    std::vector<std::uint16_t> inFlight;
    for (const auto* peer : {kPeer, kOther}) {
        sendHr({'x'}, 0x0011, peer);
        answerConnect(seen(stack.takeSent().at(0)).sequence, 1, peer);
        inFlight.push_back(seen(stack.takeSent().at(0)).sequence);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        fromPeer({J5_TYPE_HE, nullptr, nullptr, inFlight[i], 1, 1, 0, 0xFFFF, {0x80, 0x02}}, i == 0 ? kPeer : kOther);
    }
    ASSERT_EQ(stack.errors.size(), 4u);
    stack.started_ = false;
    core.errorHandler().handle(stack.waitRecord(), stack);
    EXPECT_EQ(core.errorHandler().counters().resyncFailures, 1u);
    stack.started_ = true;
    core.errorHandler().run(stack);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes[5], kOther[5]);
    EXPECT_EQ(frames[0].bytes[4], kOther[4]);
    EXPECT_EQ(core.errorHandler().counters().records, 2u);
}

TEST_F(ReliableSendTest, EvictedPeerErrorsFreeHeldPackets) {
    sendHr({'x'});
    answerConnect(0x3421);
    sendHr({'y'});
    stack.takeSent();
    fromPeer({J5_TYPE_HE, nullptr, nullptr, 0x3422, 1, 1, 0, 0, {0x80, 0x04}});
    core.errorHandler().run(stack);
    EXPECT_TRUE(stack.takeSent().empty());
    EXPECT_EQ(core.errorHandler().counters().discarded, 2u);
    EXPECT_EQ(view().state, reliable::kSendFailed);
}

TEST_F(ReliableSendTest, ErrorReplyForAnotherSequenceOrCauseIsIgnored) {
    sendHr({'x'});
    answerConnect(0x3421);
    stack.takeSent();
    fromPeer({J5_TYPE_HE, nullptr, nullptr, 0x3421, 1, 1, 0, 0, {0x80, 0x02}});
    fromPeer({J5_TYPE_HE, nullptr, nullptr, 0x3422, 1, 1, 0, 0, {0x80, 0x07}});
    EXPECT_TRUE(stack.errors.empty());
    EXPECT_EQ(view().state, reliable::kSendOpen);
}

TEST_F(ReliableSendTest, ResynchronisationAnswersByState) {
    reliable::SendRequest r{J5_TYPE_HR, kPeer, 1, 1, nullptr, 0, 0x0011, nullptr, 0, 0};
    EXPECT_EQ(core.calls().resync(r), 0x2002); // a new connection connects at once
    EXPECT_EQ(seen(stack.takeSent().at(0)).type, J5_TYPE_HI);
    EXPECT_EQ(core.calls().resync(r), 0x1002);
    answerConnect(0x3421);
    EXPECT_EQ(view().state, reliable::kSendOpen);
    EXPECT_TRUE(stack.takeSent().empty()) << "\"HC\" never goes on the wire";
    sendHr({'x'});
    EXPECT_EQ(core.calls().resync(r), 0x1003);
    acknowledge(0x3422);
    stack.takeSent();
    EXPECT_EQ(core.calls().resync(r), 0x2002);
    EXPECT_EQ(seen(stack.takeSent().at(0)).sequence, 0x3422);
    EXPECT_EQ(view().counters.resynchronisations, 2u);
}

TEST_F(ReliableSendTest, SendChecksGiveTheirResults) {
    const std::uint8_t multicast[6] = {0x01, 0, 0x5E, 0, 0, 1};
    const std::uint8_t zeroIp[4] = {};
    const std::uint8_t ip[4] = {10, 0, 0, 2};
    EXPECT_EQ(sendHr({1}, 0x0011, multicast), J5_ERR_RELIABLE_MULTICAST);
    EXPECT_EQ(sendHr({1}, 0x0009), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(sendHr({1}, 0x0010), J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(sendHr(Bytes(1500, 0)), J5_ERR_BAD_ARGUMENT);
    reliable::SendRequest r{J5_TYPE_HR, kPeer, 1, 1, nullptr, 0, 0x0071, nullptr, 0, 0};
    EXPECT_EQ(core.calls().send(r), J5_ERR_NO_DEST_IP);
    r.destIp = zeroIp;
    EXPECT_EQ(core.calls().send(r), J5_ERR_NO_DEST_IP);
    r.destIp = ip;
    stack.udpOpen_ = false;
    EXPECT_EQ(core.calls().send(r), J5_ERR_NO_UDP_SOCKET);
    r.type = 0x4858;
    stack.udpOpen_ = true;
    EXPECT_EQ(core.calls().send(r), J5_ERR_BAD_ARGUMENT);
    stack.started_ = false;
    EXPECT_EQ(sendHr({1}), J5_ERR_NOT_STARTED);
    stack.started_ = true;
    stack.poolDry_ = true;
    EXPECT_EQ(sendHr({1}), J5_ERR_NO_BUFFER);
    EXPECT_TRUE(stack.takeSent().empty());
    stack.poolDry_ = false;
    EXPECT_EQ(stack.pools().outstanding(), 0u);
}

TEST_F(ReliableSendTest, UnreliableDataGoesAtOnceWithTheRunningCounter) {
    stack.huCounter = 0x0102;
    reliable::SendRequest r{J5_TYPE_HU, kPeer, 5, 6, nullptr, 0, 0x0011, nullptr, 0, 0};
    EXPECT_EQ(core.calls().send(r), J5_SENT);
    const auto frames = stack.takeSent();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes[14 + 8], 0x02);
    EXPECT_EQ(frames[0].bytes[14 + 9], 0x01);
    EXPECT_EQ(stack.pools().outstanding(), 0u);
}

TEST_F(ReliableSendTest, WindowLengthChangesOnlyWhileEmptyAndAFullWindowKeepsItsPackets) {
    EXPECT_EQ(core.sender().setWindowLength(kPeer, 3), 3);
    EXPECT_EQ(sendHr({1}), 0x2002);
    EXPECT_EQ(sendHr({2}), 0x2002);
    EXPECT_EQ(sendHr({3}), 0x2002);
    EXPECT_EQ(sendHr({4}), J5_ERR_WINDOW_FULL);
    EXPECT_EQ(view().waiting, 4); // the connect request and three data packets
    EXPECT_EQ(core.sender().setWindowLength(kPeer, 30), 3);
    EXPECT_EQ(core.sender().setWindowLength(kOther, 80), reliable::kMaxWindowLength);
    const std::uint8_t multicast[6] = {0x01, 0, 0x5E, 0, 0, 1};
    EXPECT_EQ(core.sender().setWindowLength(multicast, 3), 0);
}

TEST_F(ReliableSendTest, ControlPacketIndexFromTheWireIsCheckedBeforeUse) {
    core.sender().setWindowLength(kOther, 5); // slot 0 belongs to another peer
    sendHr({'x'});
    answerConnect(0x3421);
    stack.takeSent();
    sendHr({'y'});
    acknowledge(0x3422, 0xFFFF); // out of the table: found by address
    EXPECT_EQ(seen(stack.takeSent().at(0)).sequence, 0x3423);
    acknowledge(0x3423, 0); // slot 0 is not this peer's: found by address
    EXPECT_EQ(view().waiting, 0);
}

class ReliableSendEvictionTest : public ReliableSendTest {
protected:
    ReliableSendEvictionTest() : ReliableSendTest(3) {}
};

TEST_F(ReliableSendEvictionTest, OldestIdleUnpinnedConnectionMakesRoomEvenAfterLongIdle) {
    const std::uint8_t a[6] = {0x02, 0, 0, 0, 0, 0x21};
    const std::uint8_t b[6] = {0x02, 0, 0, 0, 0, 0x22};
    const std::uint8_t c[6] = {0x02, 0, 0, 0, 0, 0x23};
    const std::uint8_t d[6] = {0x02, 0, 0, 0, 0, 0x24};
    clock.set(0);
    core.sender().setWindowLength(a, 10);
    clock.set(30000);
    core.sender().setWindowLength(b, 10);
    clock.set(40000);
    core.sender().setWindowLength(c, 10);
    // Idle 40 s against 10 s: the one idle longer goes, though its age exceeds 32,767 ms.
    clock.set(40000 + 0);
    core.sender().setWindowLength(d, 10);
    EXPECT_FALSE(core.sender().inspect(a));
    EXPECT_EQ(core.sender().inspect(d)->ownIndex, 0);

    core.sender().setPinned(b, 1);
    sendHr({1}, 0x0011, d); // its window is busy now
    const std::uint8_t e[6] = {0x02, 0, 0, 0, 0, 0x25};
    clock.set(40001);
    EXPECT_EQ(sendHr({1}, 0x0011, e), 0x2002);
    EXPECT_FALSE(core.sender().inspect(c));
    const std::uint8_t f[6] = {0x02, 0, 0, 0, 0, 0x26};
    EXPECT_EQ(sendHr({1}, 0x0011, f), J5_ERR_NO_CONNECTION);
}

} // namespace
} // namespace ralnet::test
