// Start and Stop against the doubles: the order of the calls, the first failure of each step
// with its text, Stop after any partial Start, a refused second Start, and restarts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>

#include "corvane/errors.h"
#include "engine_fixture.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/error_info.h"

namespace kez::corvane::test {
namespace {

const std::vector<std::string> kStartCalls =
    joined(joined(kPlayOpening, recordOpening("0")),
           {"EndPoint.Advise", "EndPoint.put_nAdapter -1", "EndPoint.put_varLocalIP c6120001",
            "EndPoint.put_bAllMulticast -1", "EndPoint.Open"});

const std::vector<std::string> kStopCalls{"WavePlay.Unadvise",   "WavePlay.StopStreaming", "WavePlay.Close",
                                          "WaveRecord.Unadvise", "WaveRecord.Close",       "EndPoint.Unadvise",
                                          "EndPoint.Close"};

std::vector<std::string> withoutStatus(const std::vector<std::string>& calls) {
    std::vector<std::string> kept;
    for (const auto& call : calls)
        if (call != "EndPoint.get_varSourceMac" && call != "EndPoint.SendPacket") kept.push_back(call);
    return kept;
}

TEST_F(EngineTest, StartOpensPlayThenRecordThenTheEndpointAndStopClosesInItsOrder) {
    engine_->put_varLocalIP(byteArray({198, 18, 0, 1}));
    ASSERT_EQ(engine_->Start(), com::S_OK);
    EXPECT_EQ(withoutStatus(doubles_.log.calls()), kStartCalls);
    doubles_.log.clear();
    ASSERT_EQ(engine_->Stop(), com::S_OK);
    EXPECT_EQ(withoutStatus(doubles_.log.calls()), kStopCalls);
    EXPECT_EQ(doubles_.endPoint()->sinks(), 0u);
}

TEST_F(EngineTest, OnlyASystemStateMulticastMacOfBytesTurnsAllMulticastOffAndIsJoined) {
    struct Case {
        com::Variant mac;
        std::string allMulticast, joined;
    };
    const std::vector<Case> cases{
        {byteArray({0x01, 0x00, 0x5e, 0x02, 0xe0, 0x16}), "EndPoint.put_bAllMulticast 0",
         "EndPoint.AddMulticastMac 01005e02e016"},
        {com::Variant("01-00-5E-02-E0-16"), "EndPoint.put_bAllMulticast -1", ""}, // text holds no bytes
        {com::Variant(), "EndPoint.put_bAllMulticast -1", ""},
    };
    engine_->put_bShareWave(com::VARIANT_TRUE);
    for (const auto& c : cases) {
        doubles_.log.clear();
        engine_->put_varSystemStateMCMAC(c.mac);
        ASSERT_EQ(engine_->Start(), com::S_OK);
        const auto calls = doubles_.log.callsStartingWith("EndPoint.");
        EXPECT_NE(std::find(calls.begin(), calls.end(), c.allMulticast), calls.end()) << c.allMulticast;
        const auto joins = doubles_.log.callsStartingWith("EndPoint.AddMulticastMac");
        EXPECT_EQ(joins.empty() ? "" : joins.front(), c.joined);
        ASSERT_EQ(engine_->Stop(), com::S_OK);
    }
}

struct StartFailure {
    const char* call; // the double's call that fails, or the class it refuses to make
    bool refuseClass;
    const char* text; // the error object's description
    com::HRESULT hr;
};

class StartFailureTest : public EngineTest, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(StartFailureTest, ReturnsTheStepsErrorAndStopUndoesWhatExists) {
    const StartFailure& failure = GetParam();
    constexpr com::HRESULT kInjected = com::makeHresult(0x80041234);
    if (failure.refuseClass) {
        doubles_.refuse.push_back(failure.call);
    } else {
        doubles_.log.failOn(failure.call, kInjected);
    }
    com::takeErrorInfo();
    EXPECT_EQ(engine_->Start(), failure.refuseClass ? failure.hr : kInjected);
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, failure.text);
    EXPECT_EQ(info->source, "Corvane.Engine.1");

    EXPECT_EQ(engine_->Stop(), com::S_OK);
    if (const auto endPoint = doubles_.endPoint()) {
        EXPECT_EQ(endPoint->sinks(), 0u);
    }
    if (const auto play = std::dynamic_pointer_cast<FakeWavePlay>(doubles_.wavePlay())) {
        EXPECT_EQ(play->sinks().count(), 0u);
    }
    if (const auto record = std::dynamic_pointer_cast<FakeWaveRecord>(doubles_.waveRecord())) {
        EXPECT_EQ(record->sinks().count(), 0u);
    }
    // A clean Start works afterwards.
    doubles_.refuse.clear();
    doubles_.log.clearFailures();
    EXPECT_EQ(engine_->Start(), com::S_OK);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartFailureTest,
    ::testing::Values(StartFailure{"WavePlay", true, "Wave Play object create failure", com::E_OUTOFMEMORY},
                      StartFailure{"WavePlay.Advise", false, "Wave Play object event advise failure", 0},
                      StartFailure{"WavePlay.Open", false, "WavePlay.Open failed", 0},
                      StartFailure{"WavePlay.StartStreaming", false, "WavePlay.StartStreaming failed", 0},
                      StartFailure{"WaveRecord", true, "Wave Record object create failure", com::E_OUTOFMEMORY},
                      StartFailure{"WaveRecord.Advise", false, "Wave record event advise failure", 0},
                      StartFailure{"WaveRecord.Open", false, "WaveRecord.Open failed", 0},
                      StartFailure{"EndPoint", true, "Endpoint object create failure", com::E_OUTOFMEMORY},
                      StartFailure{"EndPoint.Advise", false, "Endpoint event advise failure", 0},
                      StartFailure{"EndPoint.put_nAdapter", false, "EndPoint.put_nAdapter failed", 0},
                      StartFailure{"EndPoint.Open", false, "EndPoint.Open failed", 0}));

// Each event and thread Start makes takes one descriptor: with one more allowed each round,
// Start fails at each of them in turn, and Stop cleans up after each.
TEST_F(EngineTest, StartNamesEachEventAndThreadItCannotMakeAndStopCleansUpAfterEach) {
#ifdef KEZ_UNDEFINED_SANITIZER
    GTEST_SKIP() << "UBSan probes memory through a pipe of its own, which the descriptor limit refuses";
#endif
    const std::vector<std::string> steps{"Wave Idle Event Create failure",
                                         "Wave Idled Thread Create failure",
                                         "Status Send Event Create failure",
                                         "Status Send Thread Create failure",
                                         "Reliable Flow Control Event Create failure",
                                         "Reliable Flow Control Thread Create failure",
                                         "Binding Check Event Create failure",
                                         "Binding Check Thread Create failure",
                                         "Layer 3 Check Event Create failure",
                                         "Layer 3 Check Thread Create failure"};
    engine_->put_bShareWave(com::VARIANT_TRUE);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlim_t firstFree = 0;
    while (::fcntl(static_cast<int>(firstFree), F_GETFD) != -1)
        ++firstFree;
    std::vector<std::string> failed;
    for (rlim_t extra = 0; extra < 40; ++extra) {
        rlimit tight = saved;
        tight.rlim_cur = firstFree + extra;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        const com::HRESULT hr = engine_->Start();
        ::setrlimit(RLIMIT_NOFILE, &saved);
        if (com::SUCCEEDED(hr)) break;
        EXPECT_EQ(hr, com::hresultFromErrno(EMFILE));
        const std::string text = com::takeErrorInfo().value_or(com::ErrorInfo{}).description;
        if (std::find(failed.begin(), failed.end(), text) == failed.end()) failed.push_back(text);
        ASSERT_EQ(engine_->Stop(), com::S_OK);
    }
    EXPECT_EQ(failed, steps);
}

TEST_F(EngineTest, AStartedEngineRefusesASecondStart) {
    ASSERT_EQ(engine_->Start(), com::S_OK);
    EXPECT_EQ(engine_->Start(), com::E_UNEXPECTED);
    EXPECT_EQ(com::takeErrorInfo()->description, "Engine already started");
    ASSERT_EQ(engine_->Stop(), com::S_OK);
    EXPECT_EQ(engine_->Stop(), com::S_OK) << "a second Stop is harmless";
}

TEST_F(EngineTest, AFailingCloseIsStopsResult) {
    ASSERT_EQ(engine_->Start(), com::S_OK);
    doubles_.log.failOn("EndPoint.Close", com::E_FAIL);
    EXPECT_EQ(engine_->Stop(), com::E_FAIL);
    EXPECT_EQ(com::takeErrorInfo()->description, "EndPoint.Close failed");
}

TEST_F(EngineTest, HundredStartStopCyclesWithTheThreadsRunning) {
    engine_->put_varVuruvIP(byteArray(kServerIp));
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(engine_->Start(), com::S_OK) << i;
        if (i % 10 == 0) hearSystemState(kServerMac);
        pump();
        ASSERT_EQ(engine_->Stop(), com::S_OK) << i;
    }
}

TEST_F(EngineTest, AResetHandlerMayStopAndStartTheEngineInsideTheEvent) {
    ASSERT_EQ(engine_->Start(), com::S_OK);
    int resets = 0;
    events_->onReset = [&] {
        ++resets;
        EXPECT_EQ(engine_->Stop(), com::S_OK);
        EXPECT_EQ(engine_->Start(), com::S_OK);
    };
    const apt::WindowHandle window = apt::findWindow("EngineWindow");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(window.post({apt::WM_USER + 106, 0, 0, {}}));
    pump();
    EXPECT_EQ(resets, 3);
    EXPECT_EQ(doubles_.endPoint()->sinks(), 1u) << "the new endpoint holds exactly one sink";
}

TEST_F(EngineTest, ReleasingAStartedEngineStopsItAndDropsWhatIsPosted) {
    ASSERT_EQ(engine_->Start(), com::S_OK);
    const apt::WindowHandle window = apt::findWindow("EngineWindow");
    window.post({apt::WM_USER + 105, 0x80004005u, 0, apt::Payload::of(std::string("never fired"))});
    engine_.reset();
    EXPECT_EQ(withoutStatus(doubles_.log.calls()).back(), "EndPoint.Close");
    EXPECT_FALSE(window.alive());
    pump();
    EXPECT_TRUE(events_->lines().empty());
}

} // namespace
} // namespace kez::corvane::test
