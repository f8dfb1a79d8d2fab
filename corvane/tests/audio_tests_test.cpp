// TestAudio and the microphone test against the doubles on the test clock: their calls in
// order with the record format's sizes, the window kept pumping while the tone plays, the
// objects closed at the end and after each failure, and the microphone loop from the record
// thread to the play object until the test or the engine stops.
#include <gtest/gtest.h>

#include <thread>

#include "kez/apt/hidden_window.h"
#include "local_audio_test_support.h"

namespace kez::corvane::test {
namespace {

std::vector<std::string> opening(const char* autoSetupMixer) {
    return joined(recordOpening(autoSetupMixer), kPlayOpening);
}

const std::vector<std::string> kClosing{"WaveRecord.Unadvise", "WaveRecord.Close", "WavePlay.Unadvise",
                                        "WavePlay.StopStreaming", "WavePlay.Close"};

class AudioTestsTest : public LocalAudioTest {
protected:
    // Delivers recorded frames as the record thread does.
    void record(std::initializer_list<bool> silentFrames) {
        auto recorder = record();
        std::thread thread([&] {
            for (const bool silent : silentFrames)
                recorder->sinks().fire([&](sonwell::_IWaveRecordEvents& sink) {
                    return silent ? sink.SilenceDetected(com::Variant()) : sink.DataReady(com::Variant());
                });
        });
        thread.join();
    }
    using LocalAudioTest::record;
};

TEST_F(AudioTestsTest, TestAudioRecordsInTheFormatWhilePlayingTheToneThenClosesBoth) {
    struct Case {
        std::int16_t format;
        const char* sendLength;
    };
    for (const Case c : {Case{3, "100"}, Case{1, "192"}}) {
        doubles_.log.clear();
        ASSERT_EQ(engine_->TestAudio(0, c.format, 7000), com::S_OK);
        std::vector<std::string> asks(71, "WavePlay.bIsActive 1");
        auto expected = joined(
            opening("0"), {"WaveRecord.put_lCaptureLen 192", std::string("WaveRecord.put_lSendLen ") + c.sendLength,
                           "WaveRecord.Record " + std::to_string(c.format), "WavePlay.PlayTone 16 7000 0 0"});
        expected = joined(joined(expected, asks), {"WavePlay.DeleteStream 1", "WaveRecord.Stop", "WaveRecord.Close",
                                                   "WavePlay.StopStreaming", "WavePlay.Close"});
        EXPECT_EQ(doubles_.log.calls(), joined(expected, kClosing)) << c.format;
        EXPECT_EQ(timeline("WavePlay.PlayTone").at(72), "WavePlay.DeleteStream 1 +7000");
    }
}

TEST_F(AudioTestsTest, TestAudioKeepsTheWindowPumpingAndIgnoresASecondTestMeanwhile) {
    std::vector<std::string> seenDuringTest;
    events_->onReset = [&] {
        seenDuringTest = doubles_.log.callsStartingWith("WavePlay.");
        EXPECT_EQ(engine_->TestAudio(0, 1, 7000), com::S_OK);
    };
    ASSERT_TRUE(apt::findWindow("EngineWindow").post({apt::WM_USER + 106, 0, 0, {}}));
    ASSERT_EQ(engine_->TestAudio(0, 3, 1000), com::S_OK);
    EXPECT_EQ(events_->lines(), std::vector<std::string>{"ResetReceived"});
    EXPECT_NE(std::find(seenDuringTest.begin(), seenDuringTest.end(), "WavePlay.PlayTone 16 1000 0 0"),
              seenDuringTest.end())
        << "fired while the tone played";
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.PlayTone").size(), 1u);
}

struct TestFailure {
    const char* call;
    std::string text;
    std::vector<std::string> last; // the failing call and what follows it
};

TEST_F(AudioTestsTest, ATestThatFailsClosesWhatItOpenedAndReportsTheFailure) {
    const std::vector<TestFailure> failures{
        {"WavePlay.Open",
         "WavePlay.Open failed",
         {"WavePlay.Open", "WavePlay.Unadvise", "WaveRecord.Unadvise", "WaveRecord.Close"}},
        {"WaveRecord.Record", "WaveRecord.Record failed", joined({"WaveRecord.Record 1"}, kClosing)},
        {"WavePlay.PlayTone", "WavePlay.PlayTone failed", joined({"WavePlay.PlayTone 16 200 0 0"}, kClosing)},
        {"WavePlay.DeleteStream", "WavePlay.DeleteStream failed", joined({"WavePlay.DeleteStream 1"}, kClosing)},
        {"WaveRecord.Stop", "WaveRecord.Stop failed", joined({"WaveRecord.Stop"}, kClosing)},
    };
    for (const auto& f : failures) {
        doubles_.log.clear();
        doubles_.log.failOn(f.call, com::E_FAIL);
        EXPECT_EQ(engine_->TestAudio(0, 1, 200), com::E_FAIL) << f.call;
        EXPECT_EQ(lastError(), f.text);
        doubles_.log.clearFailures();
        const auto calls = doubles_.log.calls();
        ASSERT_GE(calls.size(), f.last.size());
        EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<std::ptrdiff_t>(f.last.size()), calls.end()),
                  f.last);
    }
}

TEST_F(AudioTestsTest, TheMicrophoneTestPlaysRecordedFramesBackUntilItStops) {
    ASSERT_EQ(engine_->StartMikeTest(), com::S_OK);
    EXPECT_EQ(doubles_.log.calls(), joined(opening("-1"), {"WaveRecord.put_lBufferLen 192",
                                                           "WaveRecord.put_lSendLen 192", "WavePlay.CreateStream 1 0",
                                                           "WaveRecord.put_lCaptureLen 192", "WaveRecord.Record 1"}));
    doubles_.log.clear();
    record({false, false, true, false});
    EXPECT_EQ(doubles_.log.calls(), (std::vector<std::string>{"WavePlay.AddBuffer 1 0", "WavePlay.AddBuffer 1 1",
                                                              "WavePlay.AddSilence 1 2", "WavePlay.AddBuffer 1 2"}));
    doubles_.log.clear();
    const auto recorder = record();
    ASSERT_EQ(engine_->StopMikeTest(), com::S_OK);
    EXPECT_EQ(doubles_.log.calls(), joined({"WaveRecord.Stop", "WavePlay.DeleteStream 1"}, kClosing));
    doubles_.log.clear();
    recorder->sinks().fire([](sonwell::_IWaveRecordEvents& sink) { return sink.DataReady(com::Variant()); });
    EXPECT_TRUE(doubles_.log.calls().empty());
    EXPECT_EQ(engine_->StopMikeTest(), com::S_OK) << "a second stop has nothing to do";
    EXPECT_TRUE(doubles_.log.calls().empty());
}

TEST_F(AudioTestsTest, StoppingTheEngineEndsTheMicrophoneTest) {
    ASSERT_EQ(engine_->StartMikeTest(), com::S_OK);
    ASSERT_EQ(engine_->Stop(), com::S_OK);
    ASSERT_EQ(engine_->Start(), com::S_OK);
    ASSERT_EQ(engine_->ButtonDown(1), com::S_OK) << "a new record object";
    doubles_.log.clear();
    record({false});
    EXPECT_TRUE(doubles_.log.callsStartingWith("WavePlay.AddBuffer").empty());
    EXPECT_EQ(engine_->StopMikeTest(), com::S_OK);
    EXPECT_TRUE(doubles_.log.callsStartingWith("WavePlay.DeleteStream").empty());
}

TEST_F(AudioTestsTest, AFailedMicrophoneTestStartClosesBoth) {
    doubles_.log.failOn("WavePlay.CreateStream", com::E_FAIL);
    EXPECT_EQ(engine_->StartMikeTest(), com::E_FAIL);
    EXPECT_EQ(lastError(), "WavePlay.CreateStream failed");
    const auto calls = doubles_.log.calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()), kClosing);
    doubles_.log.clear();
    record({false});
    EXPECT_TRUE(doubles_.log.calls().empty()) << "no loop runs";
}

} // namespace
} // namespace kez::corvane::test
