// WaveRecord through a real sound server: what is played into the private PulseAudio server's
// null sink is recorded from its monitor, with the microphone set up on the server's mixer as the
// microphone test does, and found in the encoded frames. The player is paplay, or WavePlay in
// this same process as the microphone test has it.
#include <gtest/gtest.h>

#include "audio_server.h"
#include "eventually.h"
#include "privileged.h"
#include "record_test_support.h"
#include "signal_analysis.h"
#include "sonwell/mulaw.h"
#include "test_support.h"
#include "wave_play_object.h"
#include "wave_record_object.h"

#include <chrono>
#include <string>
#include <thread>

#include <unistd.h>

namespace kez::sonwell {
namespace {

std::vector<std::int16_t> Expanded(const std::vector<test::Frame>& frames) {
    std::vector<std::int16_t> samples;
    for (const auto& frame : frames) {
        std::vector<std::int16_t> expanded(frame.bytes.size());
        MuLawExpand(expanded, frame.bytes);
        samples.insert(samples.end(), expanded.begin(), expanded.end());
    }
    return samples;
}

// Around the loudest sample, half a second of `tones`, each far above every pitch in `others`.
void ExpectToneDominates(const std::vector<std::int16_t>& samples, const std::vector<double>& tones,
                         const std::vector<double>& others) {
    ASSERT_GT(samples.size(), 8000u);
    const auto loudest = std::max_element(samples.begin(), samples.end());
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(loudest - samples.begin()), samples.size() - 4000);
    const auto window = std::span(samples).subspan(at > 2000 ? at - 2000 : 0, 4000);
    for (const double tone : tones) {
        const double power = kez::test::GoertzelPower(window, tone);
        EXPECT_GT(power, 1000.0 * 1000.0) << tone;
        for (const double other : others)
            EXPECT_GT(power, 100 * kez::test::GoertzelPower(window, other)) << tone << " against " << other;
    }
}

// Bounded: true once this process has `count` streams of `kind` ("sink-inputs", "source-outputs").
bool OwnStreams(const kez::test::PulseServer& server, const std::string& kind, std::size_t count) {
    const std::string mark = "application.process.id = \"" + std::to_string(::getpid()) + "\"";
    return kez::test::eventually([&] {
        const auto listed = server.pactl({"list", kind}).out;
        std::size_t seen = 0;
        for (auto at = listed.find(mark); at != std::string::npos; at = listed.find(mark, at + 1))
            ++seen;
        return seen == count;
    });
}

TEST(WaveRecordPulse, IdleObjectsKeepNoStreamOnTheServer) {
    kez::test::PulseServer server;
    if (!server.start()) KEZ_SKIP_OR_FAIL(server.error());
    auto player = std::make_shared<WavePlay>();
    auto recorder = std::make_shared<WaveRecord>();
    ASSERT_EQ(player->Open() | player->StartStreaming() | recorder->Open(), com::S_OK);
    EXPECT_TRUE(OwnStreams(server, "sink-inputs", 0)) << "playback ends after a silence";
    EXPECT_TRUE(OwnStreams(server, "source-outputs", 0)) << "an open recorder does not capture";
    std::int32_t tone = 0;
    ASSERT_EQ(recorder->Record(1) | player->PlayTone(1, 200, 100, com::VARIANT_FALSE, tone), com::S_OK);
    EXPECT_TRUE(OwnStreams(server, "source-outputs", 1) && OwnStreams(server, "sink-inputs", 1));
    ASSERT_EQ(recorder->Stop(), com::S_OK);
    EXPECT_TRUE(OwnStreams(server, "source-outputs", 0) && OwnStreams(server, "sink-inputs", 0));
}

TEST(WaveRecordPulse, RecordsAToneFromTheSinkMonitor) {
    kez::test::PulseServer server;
    if (!server.start()) KEZ_SKIP_OR_FAIL(server.error());
    const test::TempDir dir;
    ASSERT_EQ(test::runCommand({"sox",   "-D",  "-n",   "-r",     "8000", "-c",  "1",
                                "-b",    "16",  "-e",   "signed", "-t",   "raw", dir / "tone.raw",
                                "synth", "1.5", "sine", "1000",   "vol",  "0.5"})
                  .exitCode,
              0);

    auto recorder = std::make_shared<WaveRecord>();
    auto collector = std::make_shared<test::RecordingSink>();
    ASSERT_NE(test::AdviseEvents<_IWaveRecordEvents>(recorder, collector), com::kNoCookie);
    ASSERT_EQ(recorder->Open(), com::S_OK); // the default source is the sink's monitor
    ASSERT_EQ(recorder->Record(1), com::S_OK);
    ASSERT_EQ(test::runCommand({"paplay", "--raw", "--rate=8000", "--channels=1", "--format=s16le", dir / "tone.raw"})
                  .exitCode,
              0);
    ASSERT_EQ(recorder->Close(), com::S_OK);

    ExpectToneDominates(Expanded(collector->frames()), {1000.0}, {440.0, 700.0, 1500.0, 2500.0});
}

TEST(WaveRecordPulse, RecordsWhatWavePlayPlaysInTheSameProcessFrameForFrame) {
    kez::test::PulseServer server;
    if (!server.start()) KEZ_SKIP_OR_FAIL(server.error());
    auto player = std::make_shared<WavePlay>();
    ASSERT_EQ(player->Open(), com::S_OK);
    ASSERT_EQ(player->StartStreaming(), com::S_OK);
    std::int32_t dialTone = 0;
    ASSERT_EQ(player->PlayTone(16, -1, 50, com::VARIANT_FALSE, dialTone), com::S_OK);

    auto recorder = std::make_shared<WaveRecord>();
    auto collector = std::make_shared<test::RecordingSink>();
    ASSERT_NE(test::AdviseEvents<_IWaveRecordEvents>(recorder, collector), com::kNoCookie);
    ASSERT_EQ(recorder->Open(), com::S_OK);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(recorder->Record(1), com::S_OK);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    ASSERT_EQ(recorder->Stop(), com::S_OK);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(recorder->Close(), com::S_OK);
    ASSERT_EQ(player->Close(), com::S_OK);

    // Every 24 ms of sound gives one frame; the ring's six buffers may still be in flight.
    const auto frames = collector->frames();
    const double expected = elapsed.count() * 8000 / 192;
    EXPECT_GE(static_cast<double>(frames.size()), expected - CaptureRing::kBuffers - 1) << server.log();
    EXPECT_LE(static_cast<double>(frames.size()), expected + 1);
    const auto samples = Expanded(frames);
    EXPECT_EQ(kez::test::SoundingStretches(samples).size(), 1u) << "the tone played throughout, so no gap";
    ExpectToneDominates(samples, {350.0, 440.0}, {700.0, 1000.0, 1500.0, 2500.0});
}

} // namespace
} // namespace kez::sonwell
