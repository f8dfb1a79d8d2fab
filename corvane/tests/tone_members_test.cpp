// Call-progress tones, alerts and DTMF digits against the play double: the rows and arguments
// they play, the DTMF member's polling, gap and removal on the test clock, and what each does
// while the play object cannot be had.
#include <gtest/gtest.h>

#include "corvane/errors.h"
#include "kez/com/safe_array.h"
#include "local_audio_test_support.h"

namespace kez::corvane::test {
namespace {

constexpr std::int32_t kDtmfPriority = 100;

struct DtmfCase {
    const char* name;
    std::int16_t button, duration, gap;
    std::int32_t activeAnswers;
    std::vector<std::string> timeline;
};

TEST_F(LocalAudioTest, DtmfPollsEvery40msWhileTheToneLastsThenSleepsTheGapAndRemovesIt) {
    const std::vector<DtmfCase> cases{
        {"key tone 128 ms, gap 50",
         14,
         128,
         50,
         std::numeric_limits<std::int32_t>::max(),
         {"WavePlay.PlayTone 14 128 100 -1 +0", "WavePlay.bIsActive 2 +0", "WavePlay.bIsActive 2 +40",
          "WavePlay.bIsActive 2 +80", "WavePlay.bIsActive 2 +120", "WavePlay.bIsActive 2 +128",
          "WavePlay.DeleteStream 2 +178"}},
        {"no duration sleeps only the gap",
         5,
         0,
         50,
         std::numeric_limits<std::int32_t>::max(),
         {"WavePlay.PlayTone 5 0 100 -1 +0", "WavePlay.bIsActive 3 +0", "WavePlay.DeleteStream 3 +50"}},
        {"a tone that ends early, no gap",
         0,
         128,
         0,
         2,
         {"WavePlay.PlayTone 0 128 100 -1 +0", "WavePlay.bIsActive 4 +0", "WavePlay.bIsActive 4 +40",
          "WavePlay.bIsActive 4 +80", "WavePlay.DeleteStream 4 +80"}},
        {"a negative gap is a long one",
         1,
         40,
         -16,
         std::numeric_limits<std::int32_t>::max(),
         {"WavePlay.PlayTone 1 40 100 -1 +0", "WavePlay.bIsActive 5 +0", "WavePlay.bIsActive 5 +40",
          "WavePlay.DeleteStream 5 +65560"}},
    };
    ASSERT_EQ(engine_->PlayDTMFTone(1, 0, 0, kDtmfPriority, com::VARIANT_TRUE), com::S_OK) << "opens, stream 1";
    for (const auto& c : cases) {
        play()->activeAnswers = c.activeAnswers;
        doubles_.log.clear();
        EXPECT_EQ(engine_->PlayDTMFTone(c.button, c.duration, c.gap, kDtmfPriority, com::VARIANT_TRUE), com::S_OK);
        EXPECT_EQ(timeline("WavePlay.PlayTone"), c.timeline) << c.name;
    }
}

TEST_F(LocalAudioTest, CallProgressTonesAreTheRowsAfterTheKeysAndAlertsPassUnchanged) {
    struct Case {
        std::function<HRESULT(std::int32_t&)> play;
        std::string call;
    };
    const std::vector<Case> cases{
        {[&](std::int32_t& s) { return engine_->PlayCallProgTone(0, -1, 50, com::VARIANT_FALSE, s); },
         "WavePlay.PlayTone 16 -1 50 0"},
        {[&](std::int32_t& s) { return engine_->PlayCallProgTone(5, 3000, 50, com::VARIANT_TRUE, s); },
         "WavePlay.PlayTone 21 3000 50 -1"},
        {[&](std::int32_t& s) { return engine_->PlayAlert(3, 2, 5, 150, com::VARIANT_TRUE, s); },
         "WavePlay.PlayAlert 3 2 5 150 -1"},
    };
    std::int32_t expectedStream = 0;
    for (const auto& c : cases) {
        doubles_.log.clear();
        std::int32_t stream = 0;
        ASSERT_EQ(c.play(stream), com::S_OK) << c.call;
        EXPECT_EQ(stream, ++expectedStream);
        EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.Play"), std::vector<std::string>{c.call});
    }
}

TEST_F(LocalAudioTest, WithoutSharingAClosedPlayObjectRefusesSoundsAndIgnoresTheVolume) {
    ASSERT_EQ(engine_->put_bShareWave(com::VARIANT_FALSE), com::S_OK);
    std::int32_t stream = 0;
    const std::vector<std::pair<const char*, HRESULT>> refused{
        {"call progress", engine_->PlayCallProgTone(0, -1, 50, com::VARIANT_FALSE, stream)},
        {"alert", engine_->PlayAlert(0, 1, 0, 150, com::VARIANT_TRUE, stream)},
        {"dtmf", engine_->PlayDTMFTone(1, 128, 50, kDtmfPriority, com::VARIANT_TRUE)},
        {"kill", engine_->KillWaveStream(1)},
    };
    for (const auto& [what, hr] : refused)
        EXPECT_EQ(hr, com::E_POINTER) << what;
    EXPECT_EQ(lastError(), "Wave Play object not open");
    EXPECT_EQ(engine_->ChangeVolume(100), com::S_OK);
    EXPECT_TRUE(doubles_.log.calls().empty());
}

TEST_F(LocalAudioTest, FailuresOfThePlayObjectAreTheMembersErrors) {
    std::int32_t stream = 0;
    doubles_.refuse.push_back("WavePlay");
    EXPECT_EQ(engine_->PlayAlert(0, 1, 0, 150, com::VARIANT_TRUE, stream), com::E_OUTOFMEMORY);
    EXPECT_EQ(lastError(), "Wave Play object create failure") << "the open's own failure";
    doubles_.refuse.clear();

    doubles_.log.failOn("WavePlay.PlayTone", com::E_FAIL);
    EXPECT_EQ(engine_->PlayCallProgTone(0, -1, 50, com::VARIANT_FALSE, stream), com::E_FAIL);
    EXPECT_EQ(lastError(), "WavePlay.PlayTone failed");
    doubles_.log.clearFailures();

    doubles_.log.failOn("WavePlay.bIsActive", com::E_FAIL);
    doubles_.log.failOn("WavePlay.DeleteStream", com::E_INVALIDARG);
    EXPECT_EQ(engine_->PlayDTMFTone(1, 128, 50, kDtmfPriority, com::VARIANT_TRUE), com::E_FAIL);
    EXPECT_EQ(lastError(), "WavePlay.bIsActive failed") << "the first failure is kept";
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.DeleteStream").size(), 1u) << "the tone goes all the same";

    EXPECT_EQ(engine_->KillWaveStream(9), com::E_INVALIDARG);
    EXPECT_EQ(lastError(), "WavePlay.DeleteStream failed");
}

TEST_F(LocalAudioTest, VolumeAndRemovalGoToTheOpenPlayObject) {
    std::int32_t stream = 0;
    ASSERT_EQ(engine_->PlayCallProgTone(0, -1, 50, com::VARIANT_FALSE, stream), com::S_OK);
    doubles_.log.clear();
    EXPECT_EQ(engine_->ChangeVolume(-100), com::S_OK);
    EXPECT_EQ(engine_->KillWaveStream(stream), com::S_OK);
    EXPECT_EQ(doubles_.log.calls(),
              (std::vector<std::string>{"WavePlay.ChangeVolume -100", "WavePlay.DeleteStream 1"}));
}

// The caller waits until the sine is mixed whole, or a second past its length at most.
TEST_F(LocalAudioTest, TheBeepIsASineOfItsLengthPlayedOnceAboveEverySoundWhileTheCallerWaits) {
    ASSERT_EQ(engine_->BeepSpeaker(1000, 100), com::S_OK);
    auto calls = timeline("WavePlay.PlayCycledWave");
    EXPECT_EQ(calls.front(), "WavePlay.PlayCycledWave 01000100401f0000803e0000020010000000 1600 0 1000 0 +0");
    EXPECT_EQ(calls.back(), "WavePlay.DeleteStream 1 +1100");
    const auto samples = play()->waveSamples.get<com::SafeArray>()->bytes();
    ASSERT_EQ(samples.size(), 1600u);
    EXPECT_EQ(samples[4] | samples[5] << 8, 16384) << "a quarter period of 1000 Hz in";
    play()->activeAnswers = 4;
    doubles_.log.clear();
    ASSERT_EQ(engine_->BeepSpeaker(1000, 100), com::S_OK);
    EXPECT_EQ(timeline("WavePlay.PlayCycledWave").back(), "WavePlay.DeleteStream 2 +160");
}

TEST_F(LocalAudioTest, ImpossibleBeepsAndBeepsWithoutAPlayObjectSoundNothingAndSucceed) {
    const std::vector<std::pair<std::int32_t, std::int32_t>> impossible{
        {0, 500}, {-440, 500}, {4000, 500}, {1000, 0}, {1000, -1}};
    for (const auto& [pitch, length] : impossible)
        EXPECT_EQ(engine_->BeepSpeaker(pitch, length), com::S_OK) << pitch << " Hz " << length << " ms";
    EXPECT_TRUE(doubles_.log.calls().empty());
    ASSERT_EQ(engine_->put_bShareWave(com::VARIANT_FALSE), com::S_OK);
    EXPECT_EQ(engine_->BeepSpeaker(1000, 500), com::S_OK);
    EXPECT_FALSE(com::takeErrorInfo()) << "no error is left behind";
    EXPECT_TRUE(doubles_.log.calls().empty());
}

// Each sound renews the last use, so the shared play object stays open while sounds follow
// each other within the shutdown delay, and closes once they stop.
TEST_F(LocalAudioTest, SoundsKeepTheSharedPlayObjectOpenUntilTheyStop) {
    ASSERT_EQ(engine_->put_nWaveShutdownDelay(5), com::S_OK);
    ASSERT_EQ(engine_->Start(), com::S_OK);
    std::int32_t stream = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(engine_->PlayCallProgTone(0, 100, 50, com::VARIANT_FALSE, stream), com::S_OK);
        runFor(4000);
    }
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.Advise").size(), 1u);
    EXPECT_TRUE(doubles_.log.callsStartingWith("WavePlay.Close").empty());
    runFor(2000);
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.Close").size(), 1u);
}

} // namespace
} // namespace kez::corvane::test
