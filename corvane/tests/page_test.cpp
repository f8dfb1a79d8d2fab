// Pages against the fake engine: only an idle set takes one; it plays from the page group with
// the adapter taking every multicast frame, and ends by the call server's word or a call.
#include <functional>

#include "call_test_support.h"
#include "shared/engine_messages.h"

namespace kez::corvane::test {
namespace {

using Calls = std::vector<std::string>;
const Bytes kPageMac{0x03, 0x5A, 0x4E, 0x50, 0x47, 0x01};

PageMessage pageStart(std::int16_t connectionType = kRealTimeAudio) {
    PageMessage m;
    m.sourceMac = byteArray(kCallServerMac);
    m.revision = kCallRevision;
    m.connectionType = connectionType;
    m.headerBits = 0x0009;
    m.compression = 1;
    m.tone = 6;
    m.toneMode = 1;
    m.toneDuration = -1;
    m.otherMac = byteArray(kCallServerMac);
    m.otherVdn = 0x0100;
    m.multicastMac = byteArray(kPageMac);
    m.ownDeviceState = 1;
    return m;
}

TEST_F(CallTest, OnlyAnIdleSetTakesAPage) {
    const struct {
        const char* name;
        std::function<void(PageMessage&)> setUp;
    } cases[] = {
        {"a call plays", [this](PageMessage&) { audio_.callState(call(kRealTimeAudio, kReceivesAudio)); }},
        {"it sends", [this](PageMessage&) { audio_.callState(call(kRealTimeAudio, kSendsAudio)); }},
        {"it rings", [this](PageMessage&) { services_.alertMode = 1; }},
        {"its device is busy", [](PageMessage& m) { m.ownDeviceState = 2; }},
        {"the page does not list its device", [](PageMessage& m) { m.ownDeviceState = 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        audio_.resetRun();
        services_.alertMode = 0;
        PageMessage m = pageStart();
        c.setUp(m);
        services_.posts.clear();
        doubles_.log.clear();
        audio_.page(m);
        EXPECT_FALSE(audio_.pageActive());
        EXPECT_TRUE(services_.posts.empty());
        EXPECT_TRUE(calls("WavePlay.Create").empty());
    }
}

TEST_F(CallTest, APagePlaysFromItsGroupUntilItEndsAndThenTheAdapterFiltersAgain) {
    audio_.page(pageStart());
    ASSERT_EQ(services_.postedIds(), std::vector<apt::MessageId>{kMsgCallProgressUpdate});
    EXPECT_EQ(services_.posts[0].payload.take<CallProgressTone>(), (CallProgressTone{6, 1, -1}));
    EXPECT_TRUE(audio_.pageActive());
    EXPECT_EQ(services_.log, Calls{"allMulticast on"});
    EXPECT_EQ(calls("EndPoint.AddMulticastMac"), Calls{"EndPoint.AddMulticastMac 035a4e504701"});
    EXPECT_EQ(calls("WavePlay.CreateStream"), Calls{"WavePlay.CreateStream 1 -1"});
    doubles_.log.clear();
    audio_.realTimeAudio(audioFrom(kCallServerMac, 0x0100, 1, {0}));
    EXPECT_EQ(calls("WavePlay.AddBuffer"), Calls{"WavePlay.AddBuffer 1 0"});
    audio_.page(pageStart(kNoAudio));
    EXPECT_FALSE(audio_.pageActive());
    EXPECT_EQ(calls("WavePlay.DeleteStream"), Calls{"WavePlay.DeleteStream 1"});
    EXPECT_EQ(calls("EndPoint.DeleteMulticastMac"), Calls{"EndPoint.DeleteMulticastMac 035a4e504701"});
    EXPECT_EQ(services_.log.back(), "allMulticast off");
    services_.log.clear();
    audio_.page(pageStart(kNoAudio));
    EXPECT_TRUE(services_.log.empty()) << "no page, nothing to end";
}

TEST_F(CallTest, ACallEndsAPageAndAForcedIpSetLeavesTheAdapterAlone) {
    state_.with([](SharedFields& f) { f.forceLevel3 = com::VARIANT_TRUE; });
    audio_.page(pageStart());
    audio_.callState(call());
    EXPECT_FALSE(audio_.pageActive());
    EXPECT_TRUE(services_.log.empty()) << "bAllMulticast stays as it is over IP";
    EXPECT_EQ(calls("WavePlay.CreateStream").size(), 2U);
    PageMessage wrong = pageStart();
    wrong.revision = static_cast<std::int16_t>(0x80B2);
    audio_.page(wrong);
    EXPECT_EQ(services_.log, Calls{"error Invalid Protocol Slave Page"});
}

} // namespace
} // namespace kez::corvane::test
