// WavePlay through ALSA to the private PulseAudio server: the busy cadence, an alert cadence and
// wave files in six layouts come back from the sink's monitor at their frequencies and times, and
// volume and mute reach the server.
#include "wave_play_object.h"

#include "audio_server.h"
#include "privileged.h"
#include "signal_analysis.h"
#include "test_support.h"

#include "kez/audio/devices.h"
#include "kez/com/safe_array.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <thread>

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;

// Mean power at `frequency` over 16 ms pieces: the pieces add without regard to phase, so a tone
// that switches pitch every few tens of milliseconds shows at each of its pitches.
double ShortTimePower(std::span<const std::int16_t> samples, double frequency) {
    constexpr std::size_t kPiece = 128;
    double sum = 0;
    std::size_t pieces = 0;
    for (; (pieces + 1) * kPiece <= samples.size(); ++pieces)
        sum += kez::test::GoertzelPower(samples.subspan(pieces * kPiece, kPiece), frequency);
    return pieces == 0 ? 0 : sum / static_cast<double>(pieces);
}

std::int16_t pulseDevice() {
    const auto devices = audio::listDevices(audio::Direction::Playback);
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].pcmName == "pulse") return static_cast<std::int16_t>(i);
    return -2;
}

class WavePlayPulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.start()) KEZ_SKIP_OR_FAIL(server_.error());
        adapter_ = pulseDevice();
        ASSERT_GE(adapter_, 0);
        play_->put_nAdapter(adapter_);
        ASSERT_EQ(play_->Open(), com::S_OK);
    }
    std::string pactl(const std::string& what) { return server_.pactl({what, kez::test::PulseServer::kSink}).out; }
    // The sink's monitor as parec records it while `play` starts a sound and `length` passes.
    std::vector<std::int16_t> recordWhilePlaying(std::chrono::milliseconds length,
                                                 const std::function<HRESULT(std::int32_t&)>& play) {
        const kez::test::TempDir folder("kez-waveplay");
        const auto file = folder / "monitor.raw";
        kez::test::ChildProcess recorder;
        EXPECT_TRUE(recorder.start(
            kez::test::shellCommand("exec parec --raw --rate=8000 --channels=1 --format=s16le --device=\"$1\" > \"$2\"",
                                    {kez::test::PulseServer::kMonitor, file})));
        for (int i = 0; i < 100 && (!std::filesystem::exists(file) || std::filesystem::file_size(file) == 0); ++i)
            std::this_thread::sleep_for(50ms);
        EXPECT_EQ(play_->StartStreaming(), com::S_OK);
        std::int32_t stream = 0;
        EXPECT_EQ(play(stream), com::S_OK);
        std::this_thread::sleep_for(length);
        play_->StopStreaming();
        ::kill(recorder.pid(), SIGTERM);
        recorder.wait(5s);
        return test::ReadSamples(file);
    }

    kez::test::PulseServer server_;
    std::int16_t adapter_ = -1;
    com::Ptr<WavePlay> play_ = std::make_shared<WavePlay>();
};

TEST_F(WavePlayPulseTest, BusyCadenceComesBackFromTheMonitor) {
    const auto samples = recordWhilePlaying(
        1900ms, [&](std::int32_t& busy) { return play_->PlayTone(17, 1500, 50, com::VARIANT_FALSE, busy); });
    const auto stretches = kez::test::SoundingStretches(samples, 400);
    ASSERT_EQ(stretches.size(), 2u) << "on 0.5 s, off 0.5 s, on 0.5 s";
    for (const auto& s : stretches) {
        EXPECT_NEAR(static_cast<double>(s.length), 4000, 192) << "within a frame";
        const auto sound = std::span(samples).subspan(s.start + 400, s.length - 800);
        EXPECT_GT(kez::test::GoertzelPower(sound, 480), 100 * kez::test::GoertzelPower(sound, 1000));
        EXPECT_GT(kez::test::GoertzelPower(sound, 620), 100 * kez::test::GoertzelPower(sound, 1000));
    }
    EXPECT_NEAR(static_cast<double>(stretches[1].start - stretches[0].start), 8000, 192);
}

TEST_F(WavePlayPulseTest, AlertCadenceComesBackFromTheMonitor) {
    // Alert 3 switches between 880 and 1109 Hz every 32 ms; cadence 3 rings 1 s, then twice a
    // quarter second, each after a quarter second's pause, and is silent for the rest of the cycle.
    const auto samples = recordWhilePlaying(
        2600ms, [&](std::int32_t& alert) { return play_->PlayAlert(3, 3, 0, 150, com::VARIANT_FALSE, alert); });
    const auto stretches = kez::test::SoundingStretches(samples, 400);
    ASSERT_EQ(stretches.size(), 3u);
    const struct { double startMs, lengthMs; } rings[] = {{0, 1008}, {1272, 240}, {1752, 264}}; // whole 24 ms frames
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& s = stretches[i];
        EXPECT_NEAR(static_cast<double>(s.start - stretches[0].start), rings[i].startMs * 8, 192) << "within a frame";
        EXPECT_NEAR(static_cast<double>(s.length), rings[i].lengthMs * 8, 192) << "within a frame";
        const auto sound = std::span(samples).subspan(s.start, s.length);
        for (const double tone : {880.0, 1109.0})
            for (const double other : {300.0, 440.0, 2000.0})
                EXPECT_GT(ShortTimePower(sound, tone), 100 * ShortTimePower(sound, other))
                    << tone << " against " << other;
    }
}

// Half a second of 440 Hz made by sox in six layouts, converted to the device's format, comes back
// once at its pitch and length.
TEST_F(WavePlayPulseTest, WaveFilesComeBackAtTheirPitchAndLength) {
    const kez::test::TempDir dir("kez-wavefile");
    for (const std::string layout : test::kWaveLayouts) {
        SCOPED_TRACE(layout);
        const auto [format, data] = test::SoxTone(layout, dir / "tone.wav");
        ASSERT_FALSE(data.empty());
        const auto samples = recordWhilePlaying(1000ms, [&](std::int32_t& wave) {
            return play_->PlayCycledWave(*com::SafeArray::fromBytes(com::ElementType::UI1, format),
                                         *com::SafeArray::fromBytes(com::ElementType::UI1, data), 0, 100,
                                         com::VARIANT_FALSE, wave);
        });
        const auto stretches = kez::test::SoundingStretches(samples, 400);
        ASSERT_EQ(stretches.size(), 1u);
        EXPECT_NEAR(static_cast<double>(stretches[0].length), 4000, 192) << "within a frame";
        const auto sound = std::span(samples).subspan(stretches[0].start + 200, 3200);
        EXPECT_NEAR(test::PeakFrequency(sound, 420, 460), 440, 1.5);
    }
}

TEST_F(WavePlayPulseTest, VolumeAndMuteReachTheServer) {
    ASSERT_EQ(play_->put_bMute(com::VARIANT_TRUE), com::S_OK);
    EXPECT_NE(pactl("get-sink-mute").find("yes"), std::string::npos);
    ASSERT_EQ(play_->put_bMute(com::VARIANT_FALSE), com::S_OK);
    EXPECT_NE(pactl("get-sink-mute").find("no"), std::string::npos);
    const auto before = pactl("get-sink-volume");
    ASSERT_EQ(play_->ChangeVolume(-500), com::S_OK);
    const auto after = pactl("get-sink-volume");
    EXPECT_NE(before, after);
    EXPECT_NE(after.find("50%"), std::string::npos) << after;
}

} // namespace
} // namespace kez::sonwell
