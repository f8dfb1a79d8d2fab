// WavePlay through ALSA to the private PulseAudio server: the busy cadence comes back from the
// sink's monitor at its frequencies and times, and volume and mute reach the server.
#include "wave_play_object.h"

#include "audio_server.h"
#include "privileged.h"
#include "signal_analysis.h"
#include "temp_dir.h"

#include "kez/audio/devices.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;

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
    std::string pactl(const std::string& what) { return server_.pactl({what, test::PulseServer::kSink}).out; }

    test::PulseServer server_;
    std::int16_t adapter_ = -1;
    com::Ptr<WavePlay> play_ = std::make_shared<WavePlay>();
};

TEST_F(WavePlayPulseTest, BusyCadenceComesBackFromTheMonitor) {
    const test::TempDir folder("kez-waveplay");
    const auto file = folder / "monitor.raw";
    test::ChildProcess recorder;
    ASSERT_TRUE(recorder.start(
        test::shellCommand("exec parec --raw --rate=8000 --channels=1 --format=s16le --device=\"$1\" > \"$2\"",
                           {test::PulseServer::kMonitor, file})));
    for (int i = 0; i < 100 && (!std::filesystem::exists(file) || std::filesystem::file_size(file) == 0); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    std::int32_t busy = 0;
    ASSERT_EQ(play_->PlayTone(17, 1500, 50, com::VARIANT_FALSE, busy), com::S_OK);
    com::VariantBool active = com::VARIANT_TRUE;
    for (int i = 0; i < 400 && active; ++i) {
        std::this_thread::sleep_for(10ms);
        play_->bIsActive(busy, active);
    }
    std::this_thread::sleep_for(400ms);
    play_->StopStreaming();
    ::kill(recorder.pid(), SIGTERM);
    recorder.wait(5s);
    const auto bytes = test::readBytes(file);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    const auto stretches = test::SoundingStretches(samples, 400);
    ASSERT_EQ(stretches.size(), 2u) << "on 0.5 s, off 0.5 s, on 0.5 s";
    for (const auto& s : stretches) {
        EXPECT_NEAR(static_cast<double>(s.length), 4000, 192) << "within a frame";
        const auto sound = std::span(samples).subspan(s.start + 400, s.length - 800);
        EXPECT_GT(test::GoertzelPower(sound, 480), 100 * test::GoertzelPower(sound, 1000));
        EXPECT_GT(test::GoertzelPower(sound, 620), 100 * test::GoertzelPower(sound, 1000));
    }
    EXPECT_NEAR(static_cast<double>(stretches[1].start - stretches[0].start), 8000, 192);
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
