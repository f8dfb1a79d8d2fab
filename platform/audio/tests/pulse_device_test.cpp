// The ALSA backend against a private PulseAudio server: what is played comes back from the
// sink's monitor, at real pace, and a server that goes away is reported and can come back.
#include "kez/audio/devices.h"
#include "kez/audio/mixer.h"
#include "kez/audio/pcm.h"

#include "audio_server.h"
#include "pcm_test_support.h"
#include "privileged.h"
#include "signal_analysis.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace kez::audio {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFramesPerBuffer = 192; // 24 ms, the telephone's frame

int deviceNumber(const std::string& pcmName) {
    const auto devices = listDevices(Direction::Playback);
    const auto found = std::find_if(devices.begin(), devices.end(), [&](auto& d) { return d.pcmName == pcmName; });
    return found == devices.end() ? -2 : static_cast<int>(found - devices.begin());
}

// The frequency (0.05 Hz steps) and amplitude of the strongest component near `around`.
std::pair<double, double> strongestNear(std::span<const std::int16_t> samples, double around) {
    double best = 0;
    double bestPower = -1;
    for (double f = around - 10; f <= around + 10; f += 0.05) {
        const double power = kez::test::GoertzelPower(samples, f);
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return {best, 2 * std::sqrt(bestPower)};
}

class PulseDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.start()) KEZ_SKIP_OR_FAIL(server_.error());
        pulse_ = deviceNumber("pulse");
        ASSERT_GE(pulse_, 0) << "the device list does not show the PulseAudio device";
    }

    kez::test::PulseServer server_;
    int pulse_ = -1;
};

TEST_F(PulseDeviceTest, ListShowsThePulseDeviceOnlyWhileTheServerRuns) {
    const auto devices = listDevices(Direction::Playback);
    EXPECT_EQ(devices[static_cast<std::size_t>(pulse_)].name, "PulseAudio Sound Server");
    EXPECT_GE(deviceNumber("default"), 0);
    EXPECT_GE(listDevices(Direction::Capture).size(), 1u);
    server_.stop();
    EXPECT_EQ(deviceNumber("pulse"), -2);
}

TEST_F(PulseDeviceTest, ToneComesBackFromTheMonitorAtItsFrequencyAndLevel) {
    const kez::test::TempDir folder("kez-monitor");
    const auto file = folder / "monitor.raw";
    kez::test::ChildProcess recorder;
    ASSERT_TRUE(recorder.start(
        kez::test::shellCommand("exec parec --raw --rate=8000 --channels=1 --format=s16le --device=\"$1\" > \"$2\"",
                                {kez::test::PulseServer::kMonitor, file})));
    for (int i = 0; i < 100 && (!std::filesystem::exists(file) || std::filesystem::file_size(file) == 0); ++i)
        std::this_thread::sleep_for(50ms);

    test::ToneRing ring(5, kFramesPerBuffer, 8000 * 2);
    ASSERT_EQ(ring.out.open(pulse_, kTelephoneFormat, ring.completion()), Result::Ok);
    ASSERT_EQ(ring.startPlaying(), Result::Ok);
    ASSERT_TRUE(ring.waitAllDone(10s));
    std::this_thread::sleep_for(300ms);
    ::kill(recorder.pid(), SIGTERM);
    recorder.wait(5s);

    const auto samples = test::samplesOf(kez::test::readBytes(file));
    // 1.5 s of the tone without its edges.
    std::size_t start = 0;
    while (start < samples.size() && std::abs(samples[start]) < 2000)
        ++start;
    ASSERT_LT(start + 8000 * 3 / 2 + 800, samples.size());
    const auto [frequency, amplitude] = strongestNear(std::span(samples).subspan(start + 800, 8000 * 3 / 2), 1000);
    EXPECT_NEAR(frequency, 1000, 1.0);
    EXPECT_NEAR(amplitude, 8000, 8000 * 0.1);
    EXPECT_EQ(ring.strayCompletions(), 0u);
    EXPECT_EQ(ring.outOfOrder(), 0u);
}

TEST_F(PulseDeviceTest, PlaybackKeepsRealTimeOverTenSeconds) {
    // Timed after the first two seconds, so the server's start-up latency does not count.
    constexpr std::size_t kLeadIn = 2 * 8000 / kFramesPerBuffer;
    test::ToneRing ring(5, kFramesPerBuffer, 8000 * 12);
    ASSERT_EQ(ring.out.open(pulse_, kTelephoneFormat, ring.completion()), Result::Ok);
    ASSERT_EQ(ring.startPlaying(), Result::Ok);
    ASSERT_TRUE(ring.waitCompletions(kLeadIn, 10s));
    const auto begin = Clock::now();
    ASSERT_TRUE(ring.waitAllDone(20s));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin);
    const double expected = (8000.0 * 12 - kLeadIn * kFramesPerBuffer) / 8;
    // Within 5 % (a telephone-sized queue of 120 ms; a loaded machine costs a few underruns).
    EXPECT_NEAR(static_cast<double>(took.count()), expected, expected * 0.05)
        << "underruns " << ring.out.underruns() << ", longest gap " << ring.longestGap().count() << " ms";
    std::uint64_t frames = 0;
    ASSERT_EQ(ring.out.position(frames), Result::Ok);
    EXPECT_EQ(frames, 8000u * 12);
}

TEST_F(PulseDeviceTest, RecordsWhatIsPlayed) {
    std::vector<std::vector<std::uint8_t>> memory(6, std::vector<std::uint8_t>(kFramesPerBuffer * 2));
    std::vector<PcmBuffer> buffers(6);
    std::mutex lock;
    std::vector<std::int16_t> captured;
    PcmIn in;
    ASSERT_EQ(in.open(kDefaultDevice, kTelephoneFormat,
                      [&](PcmBuffer& buffer) {
                          const std::lock_guard hold(lock);
                          const auto samples = test::samplesOf({buffer.data, buffer.data + buffer.recorded});
                          captured.insert(captured.end(), samples.begin(), samples.end());
                          if (buffer.recorded == buffer.length) in.add(buffer);
                      }),
              Result::Ok);
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        buffers[i] = {memory[i].data(), memory[i].size(), 0, i};
        ASSERT_EQ(in.add(buffers[i]), Result::Ok);
    }
    ASSERT_EQ(in.start(), Result::Ok);

    test::ToneRing ring(5, kFramesPerBuffer, 8000 * 2, 700);
    ASSERT_EQ(ring.out.open(pulse_, kTelephoneFormat, ring.completion()), Result::Ok);
    ASSERT_EQ(ring.startPlaying(), Result::Ok);
    ASSERT_TRUE(ring.waitAllDone(10s));
    std::this_thread::sleep_for(500ms); // the recording runs behind by the server's latency
    ASSERT_EQ(in.reset(), Result::Ok);

    const std::lock_guard hold(lock);
    const auto loudest = std::max_element(captured.begin(), captured.end());
    ASSERT_NE(loudest, captured.end());
    ASSERT_GT(*loudest, 4000);
    const auto at = static_cast<std::size_t>(loudest - captured.begin());
    ASSERT_GT(captured.size(), 2000u);
    const auto window = std::span(captured).subspan(std::min(at > 1000 ? at - 1000 : 0, captured.size() - 2000), 2000);
    EXPECT_NEAR(strongestNear(window, 700).first, 700, 2.0);
}

TEST_F(PulseDeviceTest, ServerEndingMidPlayIsAnErrorAndAReopenPlaysAgain) {
    {
        test::ToneRing ring(5, kFramesPerBuffer, 8000 * 60);
        ASSERT_EQ(ring.out.open(pulse_, kTelephoneFormat, ring.completion()), Result::Ok);
        ASSERT_EQ(ring.startPlaying(), Result::Ok);
        ASSERT_TRUE(ring.waitCompletions(10, 5s));
        server_.kill();
        std::uint64_t frames = 0;
        Result seen = Result::Ok;
        for (int i = 0; i < 300 && ok(seen); ++i) {
            std::this_thread::sleep_for(10ms);
            seen = ring.out.position(frames);
        }
        EXPECT_EQ(seen, Result::NoDriver);
        EXPECT_EQ(ring.out.reset(), Result::NoDriver);
        EXPECT_EQ(ring.out.close(), Result::Ok);
        EXPECT_TRUE(ring.waitAllDone(1s)) << "every queued buffer completes by the close";
        EXPECT_EQ(ring.strayCompletions(), 0u);
        EXPECT_EQ(ring.outOfOrder(), 0u);
        EXPECT_NE(ring.out.open(pulse_, kTelephoneFormat, ring.completion()), Result::Ok);
    }
    ASSERT_TRUE(server_.start()) << server_.error();
    test::ToneRing ring(5, kFramesPerBuffer, 8000 / 2);
    ASSERT_EQ(ring.out.open(deviceNumber("pulse"), kTelephoneFormat, ring.completion()), Result::Ok);
    ASSERT_EQ(ring.startPlaying(), Result::Ok) << server_.log();
    EXPECT_TRUE(ring.waitAllDone(5s));
}

TEST_F(PulseDeviceTest, MixerVolumeAndMuteReachTheSink) {
    std::unique_ptr<Mixer> mixer;
    ASSERT_EQ(openMixer(pulse_, mixer), Result::Ok);
    MixerLine speakers;
    ASSERT_EQ(mixer->destination(0, speakers), Result::Ok);
    ASSERT_EQ(speakers.kind, LineKind::Speakers);
    const auto* volume = speakers.find(ControlKind::Volume);
    const auto* mute = speakers.find(ControlKind::Mute);
    ASSERT_NE(volume, nullptr);
    ASSERT_NE(mute, nullptr);
    const std::vector<std::int32_t> half(valueCount(speakers, *volume), volume->maximum / 2);
    ASSERT_EQ(mixer->setValues(volume->id, half), Result::Ok);
    ASSERT_EQ(mixer->setValues(mute->id, std::vector<std::int32_t>(valueCount(speakers, *mute), 1)), Result::Ok);
    const auto sinkVolume = server_.pactl({"get-sink-volume", kez::test::PulseServer::kSink});
    EXPECT_NE(sinkVolume.out.find("50%"), std::string::npos) << sinkVolume.out;
    EXPECT_NE(server_.pactl({"get-sink-mute", kez::test::PulseServer::kSink}).out.find("yes"), std::string::npos);

    ASSERT_TRUE(server_.pactl({"set-sink-volume", kez::test::PulseServer::kSink, "25%"}).ok());
    std::vector<std::int32_t> values;
    ASSERT_EQ(mixer->getValues(volume->id, values), Result::Ok);
    EXPECT_NEAR(values.front(), volume->maximum / 4, volume->maximum / 100);
    EXPECT_EQ(mixer->getValues(12345, values), Result::InvalidControl);
}

} // namespace
} // namespace kez::audio
