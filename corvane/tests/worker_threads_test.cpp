// The worker threads on the test clock: the status period, the binding check (blind, several
// call servers, over UDP), binding to the configured call server, and the layer-3 switch.
#include <gtest/gtest.h>

#include <thread>

#include "eventually.h"

#include "engine_fixture.h"
#include "kez/sys/tick.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/timing.h"

namespace kez::corvane::test {
namespace {

constexpr std::uint16_t kStatusType = 0x0013;
const std::string kBlindBindError = "Error 0x80004005 Unable to blind bind to multiple Vuruv's";

class EngineOnTestClock : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        timing::setTimeScale(1);
    }
    void runFor(std::uint32_t ms) {
        ASSERT_TRUE(clock_.runFor(std::chrono::milliseconds(ms)));
        pump();
    }
    std::vector<Doubles::Sent> statuses() const { return sentOfType(kStatusType); }
    std::int16_t lastStatusField(linkor::HRESULT (linkor::IStatusMsg::*get)(std::int16_t&)) const {
        std::int16_t value = -99;
        const auto sent = statuses();
        if (!sent.empty()) (*com::query<linkor::IStatusMsg>(sent.back().message).*get)(value);
        return value;
    }
    std::string channelCalls() const {
        std::string calls;
        for (const auto& call : doubles_.log.callsStartingWith("EndPoint.SetChannelParameters"))
            calls += call;
        return calls;
    }

    sys::TestClock clock_;
};

// Start opens the play object without waiting for it to settle; the first use waits out what is left.
TEST_F(EngineOnTestClock, ThePlayObjectSettlesBeforeItsFirstUseNotWithinStart) {
    ASSERT_EQ(engine_->Start(), com::S_OK); // a wait here would never end: the test clock stands still
    runFor(40);
    const std::size_t waitingBefore = clock_.blocked();
    std::int32_t stream = 0;
    std::thread user([&] { engine_->PlayCallProgTone(0, -1, 50, com::VARIANT_FALSE, stream); });
    EXPECT_TRUE(kez::test::eventually([&] { return clock_.blocked() > waitingBefore; }));
    EXPECT_TRUE(doubles_.log.callsStartingWith("WavePlay.PlayTone").empty());
    clock_.advance(60);
    user.join();
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.PlayTone").size(), 1u);
}

TEST_F(EngineOnTestClock, StatusGoesEveryPeriodToTheUnboundDestinationWithTheControlBits) {
    startShared();
    runFor(4999);
    EXPECT_TRUE(statuses().empty());
    runFor(1);
    ASSERT_EQ(statuses().size(), 1u);
    EXPECT_EQ(statuses()[0].destMac, kUnboundDestination);
    EXPECT_EQ(statuses()[0].headerBits, 0x0011);
    runFor(10000);
    EXPECT_EQ(statuses().size(), 3u);
}

TEST_F(EngineOnTestClock, ForcedLayer3GoesByIpAtOnceAndReportsLocation2) {
    engine_->put_bForceLevel3(com::VARIANT_TRUE);
    engine_->put_varVuruvIP(byteArray(kServerIp));
    startShared();
    runFor(20000);
    ASSERT_FALSE(statuses().empty());
    EXPECT_EQ(statuses().front().headerBits, 0x0071);
    EXPECT_EQ(statuses().back().destIp, kServerIp);
    EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nDeviceLocation), 2);
}

enum class Binding { None, SystemStateOverEthernet, SetInitOverUdp };

struct Layer3Case {
    const char* name;
    bool callServerIp;
    Binding binding;
    std::uint32_t runMs;
    bool switched;
};

class Layer3Test : public EngineOnTestClock, public ::testing::WithParamInterface<Layer3Case> {};

TEST_P(Layer3Test, SwitchesOnlyWhenUnboundWithACallServerIpAfter15s) {
    const Layer3Case& c = GetParam();
    engine_->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    if (c.callServerIp) engine_->put_varVuruvIP(byteArray(kServerIp));
    if (c.binding == Binding::SystemStateOverEthernet) engine_->put_varVuruvMac(byteArray(kServerMac));
    startShared();
    if (c.binding == Binding::SystemStateOverEthernet) hearSystemState(kServerMac);
    if (c.binding == Binding::SetInitOverUdp) hearSetInitOverUdp(kServerMac, kServerIp);
    runFor(c.runMs);
    ASSERT_EQ(engine_->Stop(), com::S_OK);
    com::VariantBool forced = 0;
    engine_->get_bForceLevel3(forced);
    EXPECT_EQ(forced, com::toVariantBool(c.switched));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Layer3Test,
    ::testing::Values(Layer3Case{"after15s", true, Binding::None, 15000, true},
                      Layer3Case{"stoppedBefore", true, Binding::None, 14999, false},
                      Layer3Case{"noCallServerIp", false, Binding::None, 30000, false},
                      Layer3Case{"boundOnEthernet", true, Binding::SystemStateOverEthernet, 30000, false},
                      Layer3Case{"initialisedOverUdp", true, Binding::SetInitOverUdp, 30000, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineOnTestClock, AfterTheSwitchStatusGoesByIpWithLocation2) {
    engine_->put_varVuruvIP(byteArray(kServerIp));
    startShared();
    runFor(20000);
    EXPECT_EQ(statuses().back().headerBits, 0x0071);
    EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nDeviceLocation), 2);
}

struct BindingCase {
    const char* name;
    std::vector<Bytes> heard;
    std::uint16_t headerBits;
    bool callServerIp;
    bool binds;
    std::size_t errors;
};

class BlindBindingTest : public EngineOnTestClock, public ::testing::WithParamInterface<BindingCase> {};

TEST_P(BlindBindingTest, TheCheckBindsToTheOnlyCallServerHeard) {
    const BindingCase& c = GetParam();
    if (c.callServerIp) engine_->put_varVuruvIP(byteArray(kServerIp));
    startShared();
    for (const Bytes& mac : c.heard)
        hearSystemState(mac, 0x80B2, c.headerBits);
    runFor(9999);
    EXPECT_EQ(channelCalls(), "");
    runFor(30001);
    com::Variant bound;
    engine_->get_varVuruvMac(bound);
    EXPECT_EQ(bytesOf(bound), c.binds ? kServerMac : Bytes());
    EXPECT_EQ(channelCalls(), c.binds ? "EndPoint.SetChannelParameters 0253494d0001" : "");
    if (c.binds) {
        EXPECT_EQ(statuses().back().destMac, kServerMac);
        EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nProtocolRevision), static_cast<std::int16_t>(0x80B2))
            << "the revision the call server speaks";
    }
    const auto lines = events_->lines();
    EXPECT_EQ(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), kBlindBindError)), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlindBindingTest,
    ::testing::Values(BindingCase{"one", {kServerMac, kServerMac}, 0x0011, false, true, 0},
                      BindingCase{"twoWithoutIp", {kServerMac, kOtherServerMac}, 0x0011, false, false, 1},
                      BindingCase{"twoWithIp", {kServerMac, kOtherServerMac}, 0x0011, true, false, 0},
                      BindingCase{"overUdp", {kServerMac}, 0x0071, false, false, 0},
                      BindingCase{"none", {}, 0x0011, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineOnTestClock, TheConfiguredCallServerBindsOnItsSystemStateAndGetsStatusAtOnce) {
    engine_->put_varVuruvMac(byteArray(kServerMac));
    startShared();
    hearSystemState(kOtherServerMac);
    ASSERT_TRUE(clock_.awaitIdle());
    EXPECT_TRUE(statuses().empty());
    hearSystemState(kServerMac, 0x80B2);
    ASSERT_TRUE(clock_.awaitIdle());
    EXPECT_EQ(channelCalls(), "EndPoint.SetChannelParameters 0253494d0001");
    ASSERT_EQ(statuses().size(), 1u);
    EXPECT_EQ(statuses()[0].destMac, kServerMac);
    EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nProtocolRevision), static_cast<std::int16_t>(0x80B2));
    pump();
    EXPECT_EQ(events_->lines(), std::vector<std::string>{"SystemDateUpdate " + kHeardDate});
}

TEST_F(EngineOnTestClock, StatusCarriesTheSystemStatesSinceTheLastReport) {
    engine_->put_varVuruvMac(byteArray(kServerMac));
    startShared();
    hearSystemState(kServerMac);
    runFor(5000);
    for (int i = 0; i < 3; ++i)
        hearSystemState(kServerMac);
    hearSystemState(kOtherServerMac);
    runFor(5000);
    EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nSystemStateMsgCount), 3);
    runFor(5000);
    EXPECT_EQ(lastStatusField(&linkor::IStatusMsg::get_nSystemStateMsgCount), 0);
}

TEST_F(EngineOnTestClock, AnUnknownRevisionFromTheCallServerIsAProtocolError) {
    engine_->put_varVuruvMac(byteArray(kServerMac));
    startShared();
    hearSystemState(kOtherServerMac, 0x8001);
    hearSystemState(kServerMac, 0x8001);
    pump();
    EXPECT_EQ(events_->lines(), std::vector<std::string>{"Error 0x80043006 Invalid Protocol System State"});
    EXPECT_EQ(channelCalls(), "") << "not bound";
}

struct IdleCase {
    std::int32_t activeStreams;
    com::VariantBool recording;
    std::vector<std::string> closed;
};

TEST_F(EngineOnTestClock, SharedWaveObjectsCloseWhenIdlePastTheShutdownDelay) {
    const std::vector<IdleCase> cases{
        {0, com::VARIANT_FALSE, {"WavePlay.Close", "WaveRecord.Close"}},
        {1, com::VARIANT_FALSE, {}},
        {0, com::VARIANT_TRUE, {}},
    };
    engine_->put_nWaveShutdownDelay(5);
    startShared();
    for (const auto& c : cases) {
        ASSERT_TRUE(clock_.autoAdvance(true));
        ASSERT_EQ(engine_->ButtonDown(1), com::S_OK) << "opens record, then play";
        ASSERT_TRUE(clock_.autoAdvance(false));
        std::dynamic_pointer_cast<FakeWavePlay>(doubles_.wavePlay())->activeStreams = c.activeStreams;
        std::dynamic_pointer_cast<FakeWaveRecord>(doubles_.waveRecord())->active = c.recording;
        doubles_.log.clear();
        runFor(3000);
        EXPECT_TRUE(doubles_.log.callsStartingWith("WavePlay.Close").empty()) << "not past the delay yet";
        runFor(4000);
        auto closed = doubles_.log.callsStartingWith("WavePlay.Close");
        for (const auto& call : doubles_.log.callsStartingWith("WaveRecord.Close"))
            closed.push_back(call);
        EXPECT_EQ(closed, c.closed);
    }
}

} // namespace
} // namespace kez::corvane::test
