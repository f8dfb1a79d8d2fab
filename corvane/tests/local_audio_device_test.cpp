// The engine's local audio through Sonwell's own play object on a virtual speaker, all on the
// test clock (so the mixer is never late, however loaded the machine): every DTMF key as
// multimon-ng decodes it, busy and reorder tones of three countries at the frequencies and
// cadences of their tables, and the beep; and the device lists an engine that was never started
// gives the wizard.
#include <gtest/gtest.h>

#include <sstream>

#include "corvane/engine.h"
#include "corvane/server.h"
#include "kez/com/safe_array.h"
#include "kez/sys/tick.h"
#include "process.h"
#include "real_sonwell.h"
#include "scoped_audio_devices.h"
#include "signal_analysis.h"
#include "temp_dir.h"

namespace kez::corvane::test {
namespace {

using kez::test::GoertzelPower;

class LocalAudioOnDevices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(clock_.autoAdvance(true));
        com::ClassRegistry::registerInProcess(server());
        makeEngine(1);
    }
    void TearDown() override {
        engine_.reset();
        com::ClassRegistry::unregisterInProcess(server());
    }
    // A fresh engine sharing the audio hardware, so its sounds open the play object on demand.
    void makeEngine(std::int16_t country, std::int32_t framesPerBuffer = 1) {
        engine_.reset();
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEngine, engine_), com::S_OK);
        ASSERT_EQ(engine_->put_bShareWave(com::VARIANT_TRUE), com::S_OK);
        ASSERT_EQ(engine_->put_nCountry(country), com::S_OK);
        ASSERT_EQ(engine_->put_lBufferMultiplier(framesPerBuffer), com::S_OK);
    }
    // What the speaker played since `from` samples, once `after` ms more have passed: what was
    // mixed so far is out then.
    std::vector<std::int16_t> played(std::size_t from = 0, std::uint32_t after = 300) {
        EXPECT_TRUE(clock_.autoAdvance(false));
        EXPECT_TRUE(clock_.runFor(std::chrono::milliseconds(after)));
        EXPECT_TRUE(clock_.autoAdvance(true));
        const auto bytes = speaker_->played();
        std::vector<std::int16_t> samples;
        for (std::size_t i = 2 * from; i + 1 < bytes.size(); i += 2)
            samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        return samples;
    }
    std::size_t playedSoFar() const { return speaker_->played().size() / 2; }

    sys::TestClock clock_;
    kez::test::ScopedAudioDevices devices_{"virtual:Speaker,virtual:Headset,virtual:"};
    std::shared_ptr<audio::VirtualDevice> speaker_ = audio::virtualDevice("Speaker");
    RealSonwell sonwell_;
    com::Ptr<IEngine> engine_;
};

// multimon-ng reads 22,050 samples a second; sox resamples without dither.
std::string dtmfHeard(const std::vector<std::int16_t>& samples) {
    const kez::test::TempDir dir;
    kez::test::writeFile(dir / "keys.raw", std::span(reinterpret_cast<const std::uint8_t*>(samples.data()),
                                                     samples.size() * sizeof(std::int16_t)));
    const auto resampled = kez::test::runCommand(
        kez::test::shellCommand("sox -D -t raw -r 8000 -e signed -b 16 -c 1 \"$1\" -t raw -r 22050 \"$2\" && "
                                "multimon-ng -q -a DTMF -t raw \"$2\"",
                                {dir / "keys.raw", dir / "keys-22k.raw"}));
    std::istringstream lines(resampled.out);
    std::string heard;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("DTMF: ", 0) == 0 && line.size() > 6) heard += line[6];
    return heard;
}

TEST_F(LocalAudioOnDevices, MultimonDecodesEveryDtmfKeyFromTheSpeaker) {
    const std::size_t start = playedSoFar();
    for (std::int16_t key = 0; key < 16; ++key)
        ASSERT_EQ(engine_->PlayDTMFTone(key, 128, 50, 100, com::VARIANT_TRUE), com::S_OK) << key;
    EXPECT_EQ(dtmfHeard(played(start)), "0123456789ABCD*#");
}

struct Cadence {
    std::int16_t country, tone;
    std::vector<double> frequencies;
    std::size_t onSamples, offSamples;
};

// The first two bursts of each tone and the pause between them, within a few samples where a
// sine crosses zero; each burst's pitches stand far above one the tone does not have. Buffers of
// five frames keep the clock's steps few: the mixer measures its pace in real time, and plays
// short when it falls far behind.
TEST_F(LocalAudioOnDevices, CallProgressTonesSoundAtTheirTablesFrequenciesAndCadence) {
    const std::vector<Cadence> cadences{
        {1, 1, {480, 620}, 4000, 4000}, {2, 1, {400}, 3600, 4400}, {12, 2, {450}, 2000, 2000}};
    for (const auto& c : cadences) {
        makeEngine(c.country, 5);
        const std::size_t start = playedSoFar();
        const auto lengthMs = static_cast<std::int16_t>((c.onSamples + c.offSamples) / 8 + 100);
        std::int32_t stream = 0;
        ASSERT_EQ(engine_->PlayCallProgTone(c.tone, lengthMs, 50, com::VARIANT_FALSE, stream), com::S_OK);
        const auto samples = played(start, lengthMs + 1000); // the ring holds 600 ms
        const auto bursts = kez::test::SoundingStretches(samples, 64);
        ASSERT_GE(bursts.size(), 2u) << "country " << c.country;
        EXPECT_NEAR(static_cast<double>(bursts[0].length), static_cast<double>(c.onSamples), 16) << c.country;
        EXPECT_NEAR(static_cast<double>(bursts[1].start - bursts[0].start - bursts[0].length),
                    static_cast<double>(c.offSamples), 16)
            << c.country;
        const auto burst = std::span(samples).subspan(bursts[0].start, bursts[0].length);
        for (const double f : c.frequencies)
            EXPECT_GT(GoertzelPower(burst, f), 100 * GoertzelPower(burst, 1000)) << c.country << " at " << f;
        EXPECT_EQ(engine_->KillWaveStream(stream), com::S_OK);
    }
}

TEST_F(LocalAudioOnDevices, TheBeepSoundsItsPitchForItsLength) {
    const std::size_t start = playedSoFar();
    ASSERT_EQ(engine_->BeepSpeaker(1000, 300), com::S_OK);
    const auto samples = played(start);
    const auto beeps = kez::test::SoundingStretches(samples);
    ASSERT_EQ(beeps.size(), 1u);
    EXPECT_NEAR(static_cast<double>(beeps[0].length), 2400, 8);
    const auto beep = std::span(samples).subspan(beeps[0].start, beeps[0].length);
    EXPECT_GT(GoertzelPower(beep, 1000), 100 * GoertzelPower(beep, 700));
}

TEST_F(LocalAudioOnDevices, AnEngineNeverStartedListsThePlayAndRecordDevicesInOrder) {
    const std::vector<std::string> expected{"Speaker", "Headset", "Unknown Device - Do not use"};
    com::Variant play, record;
    ASSERT_EQ(engine_->get_varPlayAdapters(play), com::S_OK);
    ASSERT_EQ(engine_->get_varRecordAdapters(record), com::S_OK);
    for (const auto* list : {play.get<com::SafeArray>(), record.get<com::SafeArray>()}) {
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->lowerBound(), 0);
        EXPECT_EQ(list->texts(), expected);
    }
}

} // namespace
} // namespace kez::corvane::test
