// The call-state message against the fake engine: acceptance, the send side (record sizes,
// destinations, reliable packets and their flush), the receive side (directions, reuse,
// multicast groups, conferences) and the fresh start of a run.
#include "call_test_support.h"

namespace kez::corvane::test {
namespace {

using Calls = std::vector<std::string>;
constexpr std::uint16_t kKzSetEvent = 0x0205;
constexpr std::uint16_t kReliableAudioType = 0x0083;

TEST_F(CallTest, OnlyTheBoundCallServerWithTheEnginesRevisionIsHeardAndKept) {
    const struct {
        const char* name;
        bool bound;
        Bytes source;
        std::int16_t revision;
        bool kept;
        std::vector<std::string> log;
    } cases[] = {
        {"unbound", false, kCallServerMac, kCallRevision, false, {}},
        {"another sender", true, {2, 0, 0, 0, 0, 8}, kCallRevision, false, {}},
        {"another revision",
         true,
         kCallServerMac,
         static_cast<std::int16_t>(0x80B2),
         false,
         {"error Invalid Protocol Call State"}},
        {"accepted", true, kCallServerMac, kCallRevision, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineState state;
        FakeCall services;
        CallAudio audio{state, services};
        state.with([&](SharedFields& f) {
            f.vuruvMac = byteArray(kCallServerMac);
            f.bound = c.bound;
            f.protocolRevision = kCallRevision;
        });
        CallStateMessage m = call(kNoAudio);
        m.object = opaqueMessage();
        m.sourceMac = byteArray(c.source);
        m.revision = c.revision;
        m.deviceHandle = 12;
        audio.callState(m);
        EXPECT_EQ(services.log, c.log);
        EXPECT_EQ(audio.keptCallState() != nullptr, c.kept);
        EXPECT_EQ(state.snapshot().deviceHandle, c.kept ? 12 : kNoDeviceHandle);
    }
}

TEST_F(CallTest, TheRecorderTakesTheSizesOfTheCallsCompressionAndType) {
    const struct {
        std::int16_t type, compression, controls;
        Calls record;
    } cases[] = {
        {kRealTimeAudio,
         1,
         0,
         {"put_lBufferLen 192", "put_lCaptureLen 192", "put_lSendLen 192", "put_bDetectSilence 0", "Record 1"}},
        {kRealTimeAudio,
         3,
         2,
         {"put_lBufferLen 100", "put_lCaptureLen 192", "put_lSendLen 100", "put_bDetectSilence -1", "Record 3"}},
        {kReliableAudio,
         3,
         4,
         {"put_lBufferLen 256", "put_lCaptureLen 505", "put_lSendLen 256", "put_bDetectSilence 0", "Record 3"}},
        // Mu-law fills a reliable frame's 256 bytes.
        {kReliableAudio,
         1,
         0,
         {"put_lBufferLen 256", "put_lCaptureLen 256", "put_lSendLen 256", "put_bDetectSilence 0", "Record 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.compression));
        doubles_.log.clear();
        audio_.resetRun();
        CallStateMessage m = call(c.type, kSendsAudio, c.compression);
        m.controls = c.controls;
        audio_.callState(m);
        Calls expected;
        for (const auto& entry : c.record)
            expected.push_back("WaveRecord." + entry);
        EXPECT_EQ(calls("WaveRecord."), expected);
    }
}

TEST_F(CallTest, RecordingRestartsOnlyForANewDestination) {
    const Bytes group{3, 0, 0, 0, 0, 0x21};
    const struct {
        const char* name;
        Bytes secondMac;
        std::int16_t secondVdn, secondCompression;
        std::size_t records;
        std::uint16_t destVdn; // of the second call's audio
    } cases[] = {
        {"same party, other compression", kPartyMac, kPartyVdn, 3, 1, kPartyVdn},
        {"same MAC, other device", kPartyMac, 0x0106, 1, 2, 0x0106},
        {"another party", {2, 0, 0, 0, 0, 0x22}, kPartyVdn, 1, 2, kPartyVdn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doubles_.log.clear();
        audio_.resetRun();
        audio_.callState(call());
        CallStateMessage second = call(kRealTimeAudio, 3, c.secondCompression);
        second.otherMac = byteArray(c.secondMac);
        second.otherVdn = c.secondVdn;
        audio_.callState(second);
        EXPECT_EQ(calls("WaveRecord.Record").size(), c.records);
        EXPECT_EQ(calls("WaveRecord.Stop").size(), c.records - 1);
        record(1);
        EXPECT_EQ(wordAt(sentOfType(0).back(), 4), c.destVdn);
    }
    SCOPED_TRACE("a group MAC");
    doubles_.log.clear();
    CallStateMessage toGroup = call();
    toGroup.otherMac = byteArray(group);
    audio_.callState(toGroup);
    audio_.callState(toGroup);
    EXPECT_EQ(calls("WaveRecord.Record").size(), 2U) << "a group destination never counts as the same";
    record(1);
    EXPECT_EQ(wordAt(sentOfType(0).back(), 4), 0xFFFF);
    EXPECT_EQ(sent().back().destMac, group);
}

// Frames per packet off the wire, clamped to what a message holds; the flush at the end sends
// whatever is left, and event 10 tells the party.
TEST_F(CallTest, AReliableSendGoesInPacketsOfTheCallsFramesAndEndsWithItsFlushAndEvent10) {
    const struct {
        std::int16_t framesPerPacket;
        int frames;
        std::vector<int> packets; // frames in each, the flush last
    } cases[] = {
        {1, 3, {1, 1, 1}}, {4, 12, {4, 4, 4}}, {4, 5, {4, 1}}, {4, 8, {4, 4}},
        {4, 1, {1}},       {5, 11, {5, 5, 1}}, {0, 2, {1, 1}}, {7, 11, {5, 5, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.framesPerPacket) + " per packet, " + std::to_string(c.frames) + " frames");
        audio_.resetRun();
        forgetSent();
        CallStateMessage m = call(kReliableAudio, kSendsAudio, 3);
        m.framesPerPacket = c.framesPerPacket;
        audio_.callState(m);
        record(c.frames);
        audio_.callState(call(kNoAudio));
        std::vector<int> packets;
        int sequence = 0;
        for (const auto& s : sent()) {
            if (wordAt(s.payload, 0) != kReliableAudioType) continue;
            packets.push_back(wordAt(s.payload, 8));
            EXPECT_EQ(s.headerBits, 0x0011) << "a reliable packet on the audio header";
            EXPECT_EQ(s.destMac, kPartyMac);
            for (int f = 0; f < packets.back(); ++f)
                EXPECT_EQ(wordAt(s.payload, 12 + 260 * f), sequence++);
        }
        EXPECT_EQ(packets, c.packets);
        const auto events = sentOfType(kKzSetEvent);
        ASSERT_EQ(events.size(), 1U);
        EXPECT_EQ(wordAt(events[0], 8), 10);
        EXPECT_EQ(wordAt(events[0], 10), 0xAAAA);
        EXPECT_EQ(wordAt(events[0], 12), 0xBBBB);
        EXPECT_EQ(sent().back().destMac, kPartyMac);
    }
}

TEST_F(CallTest, TheOldPartyGetsItsFlushAndEvent10BeforeSendingGoesToANewOne) {
    CallStateMessage reliable = call(kReliableAudio, kSendsAudio, 3);
    audio_.callState(reliable);
    record(2);
    CallStateMessage other = call(kRealTimeAudio, kSendsAudio);
    other.otherMac = byteArray({2, 0, 0, 0, 0, 0x22});
    audio_.callState(other);
    record(1);
    const auto s = sent();
    ASSERT_EQ(s.size(), 3U);
    EXPECT_EQ(wordAt(s[0].payload, 8), 2) << "the two frames collected";
    EXPECT_EQ(wordAt(s[1].payload, 0), kKzSetEvent);
    EXPECT_EQ(s[1].destMac, kPartyMac);
    EXPECT_EQ(s[2].destMac, (Bytes{2, 0, 0, 0, 0, 0x22}));
    EXPECT_EQ(wordAt(s[2].payload, 12), 0) << "the new destination's frames count from 0";
}

TEST_F(CallTest, TheDirectionSaysWhichSidesRun) {
    const struct {
        std::int16_t direction;
        std::size_t records, streams;
    } cases[] = {{kSendsAudio, 1, 0}, {kReceivesAudio, 0, 1}, {kSendsAudio | kReceivesAudio, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.direction);
        doubles_.log.clear();
        audio_.resetRun();
        audio_.callState(call(kRealTimeAudio, c.direction));
        EXPECT_EQ(calls("WaveRecord.Record").size(), c.records);
        EXPECT_EQ(calls("WavePlay.CreateStream").size(), c.streams);
    }
    SCOPED_TRACE("no audio");
    doubles_.log.clear();
    audio_.callState(call(kNoAudio));
    EXPECT_EQ(calls("WavePlay.DeleteStream").size(), 1U);
    EXPECT_EQ(calls("WaveRecord.Stop").size(), 1U);
    record(1);
    EXPECT_TRUE(sent().empty()) << "nothing is sent once sending stopped";
}

TEST_F(CallTest, ConnectionsNamedAgainAreReusedAndTheOthersWaitDeactivated) {
    audio_.callState(call(kReliableAudio, kReceivesAudio, 3));
    audio_.callState(call(kReliableAudio, kReceivesAudio, 3));
    CallStateMessage other = call(kRealTimeAudio, kReceivesAudio);
    other.otherMac = byteArray({2, 0, 0, 0, 0, 0x22});
    audio_.callState(other);
    EXPECT_EQ(calls("WavePlay.Create"), (Calls{"WavePlay.CreateReliableStream 3 505", "WavePlay.CreateStream 1 -1"}));
    EXPECT_EQ(calls("WavePlay.DeactivateStream"),
              (Calls{"WavePlay.DeactivateStream 1", "WavePlay.DeactivateStream 1"}));
    sys::CriticalSectionLock hold(audio_.connections().lock());
    EXPECT_EQ(audio_.connections().find(byteArray(kPartyMac), kPartyVdn, 3, true), nullptr) << "waits, inactive";
    EXPECT_NE(audio_.connections().find(byteArray(kPartyMac), kPartyVdn, 3, false), nullptr);
}

TEST_F(CallTest, TheCallsGroupIsJoinedByItsHashAndByIpOverUdp) {
    const Bytes groupMac{0x03, 0x5A, 0x4E, 0, 0, 1}, groupIp{239, 90, 78, 1};
    const struct {
        const char* name;
        std::uint16_t headerBits;
        std::int16_t hash;
        Calls joins;
    } cases[] = {
        {"hash 63 on Ethernet", 0x0009, 63, {"EndPoint.AddMulticastMac 035a4e000001"}},
        {"hash -1", 0x0009, -1, {"EndPoint.AddMulticastMac 035a4e000001"}},
        {"hash 64", 0x0009, 64, {}},
        {"hash 1 over UDP", 0x0069, 1, {"EndPoint.AddMulticastIP ef5a4e01"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doubles_.log.clear();
        audio_.resetRun();
        CallStateMessage m = call(kRealTimeAudio, kReceivesAudio);
        m.headerBits = c.headerBits;
        m.multicastHash = c.hash;
        m.multicastMac = byteArray(groupMac);
        m.multicastIp = byteArray(groupIp);
        audio_.callState(m);
        EXPECT_EQ(calls("EndPoint.Add"), c.joins);
        m.multicastHash = 64;
        audio_.callState(m);
        EXPECT_EQ(calls("EndPoint.Delete").size(), c.joins.size()) << "a hash of 64 leaves it";
    }
    SCOPED_TRACE("an all-zero group");
    doubles_.log.clear();
    CallStateMessage zeros = call(kRealTimeAudio, kReceivesAudio);
    zeros.multicastHash = 1;
    zeros.multicastMac = byteArray(Bytes(6, 0));
    audio_.callState(zeros);
    EXPECT_TRUE(calls("EndPoint.Add").empty());
}

TEST_F(CallTest, AConferenceSendsToItsGroupAndPlaysEachMemberReadFromItsOwnConnection) {
    CallStateMessage m = call();
    m.conferenceSize = 3;
    m.conferenceMac = byteArray({0x03, 0x5A, 0x4E, 0, 0, 7});
    m.conferenceHash = 1;
    m.members = {{byteArray({2, 0, 0, 0, 0, 0x31}), 0x0101}, {byteArray({2, 0, 0, 0, 0, 0x32}), 0x0102}};
    m.membersRead = com::E_INVALIDARG;
    audio_.callState(m);
    EXPECT_EQ(calls("WavePlay.CreateStream").size(), 2U);
    EXPECT_EQ(calls("EndPoint.AddMulticastMac"),
              (Calls{"EndPoint.AddMulticastMac 035a4e000007", "EndPoint.AddMulticastMac 035a4e000007"}));
    EXPECT_EQ(services_.log.back(), "callee error") << "the third member could not be read";
    record(1);
    EXPECT_EQ(sent().back().destMac, (Bytes{0x03, 0x5A, 0x4E, 0, 0, 7}));
    EXPECT_EQ(wordAt(sentOfType(0).back(), 4), 0xFFFF);
}

TEST_F(CallTest, AFreshRunForgetsTheLastRunsDestinationSoTheSameCallRecordsAgain) {
    CallStateMessage m = call();
    m.object = opaqueMessage();
    audio_.callState(m);
    audio_.resetRun();
    EXPECT_EQ(audio_.keptCallState(), nullptr);
    audio_.callState(m);
    EXPECT_EQ(calls("WaveRecord.Record").size(), 2U);
}

} // namespace
} // namespace kez::corvane::test
