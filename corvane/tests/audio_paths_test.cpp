// The audio paths against the fake engine: received frames by their flags, reliable flow
// control (events 8, 9 and 10 and PlayComplete), recorded frames out as real-time messages
// (mute, silence, the jitter simulation) and reliable packets across the frame counter's wrap,
// and the dial-pad keys that end a reliable playback or recording.
#include "call_test_support.h"
#include "shared/engine_messages.h"

namespace kez::corvane::test {
namespace {

using Calls = std::vector<std::string>;
constexpr std::uint16_t kKzSetEvent = 0x0205;

TEST_F(CallTest, RealTimeFramesPlayByTheirFlagsAndAScrambledOneIsReportedOncePerSendingPeriod) {
    audio_.callState(call());
    doubles_.log.clear();
    audio_.realTimeAudio(audioFrom(kPartyMac, kPartyVdn, 1, {0, 2, 1, 0x10, 4, 3, 0x10}));
    EXPECT_EQ(calls("WavePlay.Add"),
              (Calls{"WavePlay.AddBuffer 1 0", "WavePlay.AddComfort 1 1", "WavePlay.AddSilence 1 2",
                     "WavePlay.AddSilence 1 3", "WavePlay.AddComfort 1 5", "WavePlay.AddSilence 1 6"}));
    EXPECT_EQ(services_.log, Calls{"error Scrambled audio packet received"});
    audio_.realTimeAudio(audioFrom(kPartyMac, kPartyVdn, 1, {0x10}));
    EXPECT_EQ(services_.log.size(), 1U);
    audio_.callState(call(kRealTimeAudio, kReceivesAudio)); // sending stops, the connection stays
    audio_.realTimeAudio(audioFrom(kPartyMac, kPartyVdn, 1, {0x10}));
    EXPECT_EQ(services_.log.size(), 2U);
}

TEST_F(CallTest, AudioNoActiveConnectionTakesIsDropped) {
    const struct {
        const char* name;
        Bytes mac;
        std::int16_t vdn, format;
        bool discovery, deactivated;
    } cases[] = {
        {"another sender", {2, 0, 0, 0, 0, 0x22}, kPartyVdn, 1, false, false},
        {"another device", kPartyMac, kPartyVdn + 1, 1, false, false},
        {"another compression", kPartyMac, kPartyVdn, 3, false, false},
        {"discovery running", kPartyMac, kPartyVdn, 1, true, false},
        {"a connection the call no longer names", kPartyMac, kPartyVdn, 1, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        audio_.resetRun();
        audio_.callState(call(kRealTimeAudio, kReceivesAudio));
        if (c.deactivated) {
            CallStateMessage other = call(kRealTimeAudio, kReceivesAudio);
            other.otherVdn = kPartyVdn + 1;
            audio_.callState(other);
        }
        services_.discoveryRuns = c.discovery;
        doubles_.log.clear();
        audio_.realTimeAudio(audioFrom(c.mac, c.vdn, c.format, {0}));
        EXPECT_TRUE(calls("WavePlay.Add").empty());
    }
}

// Each step: frames arrive, the tick comes, or the stream plays out (which posts a tick).
TEST_F(CallTest, FlowControlPausesAResumesAndTellsTheSenderWhenEverythingPlayed) {
    enum Step { Frame, Tick, Complete };
    const struct {
        Step step;
        std::int32_t buffered;
        std::vector<std::uint16_t> events;
    } steps[] = {
        {Frame, 0, {}},
        {Frame, 20001, {8}},
        {Frame, 30000, {}},
        {Tick, 1000, {}},
        {Tick, 999, {9}},
        {Tick, 500, {}},
        {Complete, 0, {9, 10}},
        // A later stream on the same connection starts afresh.
        {Frame, 0, {}},
        {Tick, 0, {}},
        {Frame, 25000, {8}},
        {Complete, 0, {10}},
    };
    audio_.callState(call(kReliableAudio, kReceivesAudio, 3));
    std::int16_t sequence = 100;
    for (const auto& s : steps) {
        SCOPED_TRACE(&s - steps);
        forgetSent();
        services_.posts.clear();
        play_->buffered[1] = s.buffered;
        if (s.step == Frame) audio_.reliableAudio(audioFrom(kPartyMac, kPartyVdn, 3, {0}, sequence++));
        if (s.step == Tick) audio_.flowControlTick();
        if (s.step == Complete) {
            audio_.playComplete(1);
            ASSERT_EQ(services_.postedIds(), std::vector<apt::MessageId>{kMsgFlowControlTick});
            audio_.flowControlTick();
        }
        std::vector<std::uint16_t> events;
        for (const auto& sent : sent()) {
            events.push_back(wordAt(sent.payload, 8));
            EXPECT_EQ(wordAt(sent.payload, 10), sequence - 1) << "the last frame's sequence";
            EXPECT_EQ(wordAt(sent.payload, 12), 20);
            EXPECT_EQ(sent.headerBits, 0x0011);
            EXPECT_EQ(sent.destMac, kPartyMac);
        }
        EXPECT_EQ(events, s.events);
    }
    services_.posts.clear();
    audio_.playComplete(99);
    EXPECT_TRUE(services_.posts.empty()) << "a stream no connection plays";
}

TEST_F(CallTest, RecordedFramesGoOneToARealTimeMessageFlaggedByMuteAndSilence) {
    audio_.callState(call(kRealTimeAudio, kSendsAudio));
    record(1);
    state_.with([](SharedFields& f) { f.mute = com::VARIANT_TRUE; });
    record(1);
    record(1, true);
    const auto frames = sentOfType(0);
    ASSERT_EQ(frames.size(), 3U);
    for (std::uint16_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].size(), 206U);
        EXPECT_EQ(wordAt(frames[i], 4), kPartyVdn);
        EXPECT_EQ(wordAt(frames[i], 6), 2) << "from the audio device";
        EXPECT_EQ(wordAt(frames[i], 8), 1);
        EXPECT_EQ(frames[i][10], 1) << "mu-law";
        EXPECT_EQ(frames[i][11], i) << "audio, muted, silence";
        EXPECT_EQ(wordAt(frames[i], 12), i);
    }
    EXPECT_EQ(sent()[0].headerBits, 0x0009);
    EXPECT_EQ(sent()[0].destIp, kPartyIp);
    forgetSent();
    audio_.resetRun(); // the same party would keep the send side as it is
    audio_.callState(call(kReliableAudio, kSendsAudio, 3));
    record(4);
    EXPECT_EQ(sent().at(0).payload.at(11), 0) << "reliable frames are never marked muted";
}

TEST_F(CallTest, TheJitterSimulationDropsByTheRunTimeGeneratorAndSendsThreeAfterADrop) {
    const struct {
        std::int16_t factor;
        std::uint32_t seed;
        std::string sent; // x: sent, -: dropped
    } cases[] = {
        {1, 1, "-xxx-xxx"},             // every draw is below 32767
        {32767, 2708534849U, "-xxxxx"}, // the first draw is 0, the next 38
        {32767, 1, "xxxxxx"},
        {0, 1, "xxxxxx"},
        {-2, 1, "xxxxxx"},
    };
    state_.with([](SharedFields& f) { f.jitter = com::VARIANT_TRUE; });
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + " from " + std::to_string(c.seed));
        state_.with([&](SharedFields& f) { f.jitterFactor = c.factor; });
        audio_.seedJitter(c.seed);
        audio_.resetRun();
        audio_.callState(call(kRealTimeAudio, kSendsAudio));
        forgetSent();
        std::string pattern;
        for (std::size_t i = 0; i < c.sent.size(); ++i) {
            const std::size_t before = sent().size();
            record(1);
            pattern += sent().size() > before ? 'x' : '-';
        }
        EXPECT_EQ(pattern, c.sent);
    }
    forgetSent();
    state_.with([](SharedFields& f) { f.jitterFactor = 1; });
    record(4, true);
    EXPECT_EQ(sent().size(), 4U) << "silence is never dropped";
}

TEST_F(CallTest, NoReliablePacketHoldsMoreThanItsFramesAcrossTheCountersWrap) {
    CallStateMessage m = call(kReliableAudio, kSendsAudio, 3);
    m.framesPerPacket = 5;
    audio_.callState(m);
    record(65540);
    const auto packets = sent();
    ASSERT_EQ(packets.size(), 65540U / 5);
    std::uint16_t next = 0;
    for (const auto& p : packets) {
        ASSERT_EQ(wordAt(p.payload, 8), 5);
        for (int f = 0; f < 5; ++f)
            ASSERT_EQ(wordAt(p.payload, 12 + 260 * f), next++);
    }
}

TEST_F(CallTest, ADialPadKeyEndsTheFirstReliablePlaybackAndTheReliableRecordingItsMaskNames) {
    const struct {
        std::int16_t key;
        bool firstSilent;
        Calls deactivated;
        std::size_t stops;
    } cases[] = {
        {5, false, {"WavePlay.DeactivateStream 1"}, 1},
        {5, true, {"WavePlay.DeactivateStream 2"}, 1},
        {4, false, {}, 0},
        {16, false, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        audio_.resetRun();
        play_->restartHandles();
        CallStateMessage m = call(kReliableAudio, 3, 3);
        m.terminationMask = 0x0020 | 0x8000;
        m.conferenceSize = 2;
        m.members = {{byteArray({2, 0, 0, 0, 0, 0x31}), 1}, {byteArray({2, 0, 0, 0, 0, 0x32}), 2}};
        audio_.callState(m);
        if (c.firstSilent) play_->silent.insert(1);
        doubles_.log.clear();
        audio_.keyPressed(c.key);
        EXPECT_EQ(calls("WavePlay.DeactivateStream"), c.deactivated);
        EXPECT_EQ(calls("WaveRecord.Stop").size(), c.stops);
    }
}

} // namespace
} // namespace kez::corvane::test
