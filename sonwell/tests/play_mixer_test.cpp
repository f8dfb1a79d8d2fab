// The mixing core: stream order, overriding, handles, lateness and the output conversion; and the
// device that drives it, idle without a timer after a few seconds of silence until a stream sounds.
#include "play_device.h"
#include "play_test_support.h"
#include "scoped_audio_devices.h"
#include "test_support.h"

#include "kez/sys/tick.h"
#include "kez/sys/trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace kez::sonwell::test {
namespace {

// A wave stream that plays a constant level for ever.
StreamHandle constantWave(PlayMixer& mixer, std::int16_t level, std::int32_t priority, bool override) {
    StreamHandle handle = 0;
    mixer.waveStream(priority, override, handle);
    const std::vector<std::int16_t> samples(192, level);
    mixer.withStreamOf<BufferStream>(handle, [&](BufferStream& s) { return s.AddWave(samples, 0xFFFF, 0); });
    return handle;
}

StreamHandle constantRealTime(PlayMixer& mixer, std::uint8_t code, int frames) {
    StreamHandle handle = 0;
    mixer.realTimeStream(1, false, handle);
    mixer.withStreamOf<RealTimeStream>(handle, [&](RealTimeStream& s) {
        for (int seq = 0; seq < frames; ++seq)
            s.AddData(MixerBench::levelFrame(code), static_cast<std::uint16_t>(seq));
        return com::S_OK;
    });
    return handle;
}

TEST(PlayMixerTest, OrdersSoundsByPriorityAndCallAudioLast) {
    MixerBench bench;
    auto& m = bench.mixer;
    StreamHandle rt = 0, rel = 0, t50 = 0, a150 = 0, w100 = 0, t100 = 0, t50b = 0;
    m.realTimeStream(1, false, rt);
    m.toneStream(16, -1, 0, 100, 50, false, t50);
    m.reliableStream(3, 505, {}, rel);
    m.alertStream(100, 150, true, a150);
    m.waveStream(100, false, w100);
    m.toneStream(1, -1, 0, 100, 100, false, t100);
    m.toneStream(2, -1, 0, 100, 50, false, t50b);
    EXPECT_EQ(m.mixingOrder(), (std::vector<StreamHandle>{a150, w100, t100, t50, t50b, rt, rel}));
}

TEST(PlayMixerTest, OverridingStreamHidesEveryLowerStreamWhileItSounds) {
    MixerBench bench;
    auto& m = bench.mixer;
    StreamHandle alert = 0;
    m.alertStream(100, 150, true, alert);
    m.withStreamOf<BufferStream>(alert, [](BufferStream& s) { return s.AddAlert(0, 2, 255); });
    MixerBench alone;
    StreamHandle reference = 0;
    alone.mixer.alertStream(100, 150, true, reference);
    alone.mixer.withStreamOf<BufferStream>(reference, [](BufferStream& s) { return s.AddAlert(0, 2, 255); });
    constantWave(m, 300, 120, false);
    constantRealTime(m, 0xE0, 100);
    constantRealTime(m, 0xE0, 100);
    const int callLevel = 2 * MixerBench::level(0xE0) + 300;
    for (int frame = 0; frame < 60; ++frame) {
        const int t = frame * 24;
        const bool alertSounds = !(t > 400 && t < 1200);
        const auto mixed = bench.mix();
        const auto expected = alone.mix();
        if (alertSounds)
            EXPECT_EQ(mixed, expected) << "t=" << t << ": wave and both calls hidden";
        else
            EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [&](auto v) { return v == callLevel; })) << "t=" << t;
    }
}

TEST(PlayMixerTest, HandlesAreCheckedAndNeverReused) {
    MixerBench bench;
    auto& m = bench.mixer;
    StreamHandle first = 0, second = 0;
    m.realTimeStream(1, false, first);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(m.ReleaseAudioStream(first), com::S_OK);
    EXPECT_EQ(m.ReleaseAudioStream(first), kWaveGeneralError);
    m.realTimeStream(1, false, second);
    EXPECT_NE(second, first);
    StreamKind kind{};
    EXPECT_EQ(m.kindOf(first, kind), kWaveGeneralError);
    EXPECT_EQ(m.kindOf(0, kind), kWaveGeneralError);
    EXPECT_EQ(m.withStreamOf<ToneStream>(second, [](ToneStream&) { return com::S_OK; }), kWaveGeneralError);
    m.releaseAll();
    EXPECT_EQ(m.streamCount(), 0u);
    EXPECT_EQ(m.kindOf(second, kind), kWaveGeneralError);
}

struct LatenessCase {
    std::vector<int> lateMs; // lateness at each buffer after the first
    std::vector<bool> accelerating;
};

TEST(PlayMixerTest, AcceleratesWhenFarBehind) {
    const LatenessCase cases[] = {
        {{0, 250, 250}, {false, false, false}},
        {{251, 200, 81, 80, 100}, {true, true, true, false, false}},
        {{300, 0}, {true, false}},
    };
    for (const auto& c : cases) {
        MixerBench bench;
        std::vector<std::string> traced;
        sys::setTraceSink([&](std::string_view, std::string_view text) { traced.emplace_back(text); });
        constantWave(bench.mixer, 1000, 0, false);
        bench.mix();
        std::int64_t due = 24;
        std::vector<bool> seen;
        for (const int late : c.lateMs) {
            bench.clock.nowMs = due + late;
            const auto samples = bench.mix();
            seen.push_back(bench.mixer.accelerating());
            EXPECT_EQ(bench.lastBytes, bench.mixer.accelerating() ? 288u : 384u);
            EXPECT_EQ(samples.size() * 2, bench.lastBytes);
            due += 24;
        }
        sys::setTraceSink({});
        EXPECT_EQ(seen, c.accelerating);
        int starts = 0, stops = 0;
        bool before = false;
        for (const bool now : seen) {
            starts += !before && now;
            stops += before && !now;
            before = now;
        }
        EXPECT_EQ(std::count(traced.begin(), traced.end(), "******Starting accelearation\n"), starts);
        EXPECT_EQ(std::count(traced.begin(), traced.end(), "******Stopping accelearation\n"), stops);
    }
}

TEST(PlayMixerTest, SaturatesAndScalesToTheDeviceWidth) {
    for (const std::uint16_t bits : {16, 8}) {
        MixerBench bench(testFormat(1, bits));
        constantWave(bench.mixer, 30000, 0, false);
        constantWave(bench.mixer, 30000, 0, false);
        constantWave(bench.mixer, -1000, 0, false);
        const auto out = bench.mix();
        ASSERT_EQ(out.size(), 192u);
        EXPECT_EQ(out[0], bits == 16 ? 32767 : std::min(127, 59000 >> 8) + 128);
    }
    MixerBench quiet(testFormat(1, 8));
    constantWave(quiet.mixer, -512, 0, false);
    EXPECT_EQ(quiet.mix()[0], 128 - 2) << "8-bit output takes the top byte, biased";
}

TEST(PlayFormatTest, RefusesSizesThatCannotWork) {
    struct Case {
        std::int32_t samples, buffers, multiplier;
        std::uint32_t rate;
        bool usable;
    };
    const Case cases[] = {{192, 5, 1, 8000, true},  {0, 5, 1, 8000, false},    {192, 1, 1, 8000, false},
                          {192, 5, 0, 8000, false}, {192, -5, 1, 8000, false}, {4, 5, 1, 8000, false},
                          {192, 5, 2, 8000, true},  {9000, 2, 1, 8000, true}};
    for (const auto& c : cases) {
        PlayFormat format;
        format.samplesPerFrame = c.samples;
        format.bufferCount = c.buffers;
        format.framesPerBuffer = c.multiplier;
        format.device.rate = c.rate;
        EXPECT_EQ(usablePlayFormat(format), c.usable) << c.samples << " " << c.buffers << " " << c.multiplier;
    }
    PlayFormat long_;
    long_.samplesPerFrame = 9000;
    EXPECT_EQ(long_.msPerBuffer(), 1125u) << "no division by zero for a frame longer than a second";
}

TEST(PlayFormatTest, ComfortNoiseIsQuietAndBoundedByItsResource) {
    PlayFormat format;
    ASSERT_TRUE(loadComfortNoise(comfortNoiseResource(), format));
    ASSERT_EQ(format.comfortData.size(), 8000u);
    double power = 0;
    for (const auto v : format.comfortData)
        power += double(v) * v;
    const double rms = std::sqrt(power / 8000);
    EXPECT_GT(rms, 10);
    EXPECT_LT(rms, 40);
    auto cut = std::vector<std::uint8_t>(comfortNoiseResource().begin(), comfortNoiseResource().begin() + 100);
    ASSERT_TRUE(loadComfortNoise(cut, format));
    EXPECT_EQ(format.comfortData.size(), 28u) << "announced length bounded by the bytes present";
    EXPECT_FALSE(loadComfortNoise(std::span(cut).first(43), format));
}

TEST(PlayDeviceTest, SleepsThroughSilenceAndWakesForAStreamWithSound) {
    using namespace std::chrono_literals;
    const kez::test::ScopedAudioDevices devices("virtual:Speaker");
    const auto speaker = audio::virtualDevice("Speaker");
    sys::TestClock clock(1000);
    CAudioPlayDevice device; // after the clock: its thread stops first
    const auto open = [&] { return speaker->openFormat(audio::Direction::Playback).has_value(); };
    const auto idle = [&] { return clock.runFor(3300ms) && clock.awaitIdle() && !open(); };
    ASSERT_EQ(device.Initialize(testFormat(), audio::kDefaultDevice, false), 0);
    ASSERT_EQ(device.BeginStreamingPlay(), 0);
    ASSERT_TRUE(idle());
    EXPECT_EQ(clock.untilNextDeadline(), std::nullopt) << "no timer while idle";

    std::vector<std::int16_t> ramp(3 * 192);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(100 + 37 * i);
    StreamHandle wave = 0;
    ASSERT_EQ(device.mixer().waveStream(100, false, wave), com::S_OK);
    ASSERT_TRUE(clock.awaitIdle());
    EXPECT_FALSE(open()) << "a stream with no sound yet";
    device.mixer().withStreamOf<BufferStream>(wave, [&](BufferStream& s) { return s.AddWave(ramp, 0, 0); });
    ASSERT_TRUE(clock.awaitIdle());
    EXPECT_TRUE(open()) << "the clock standing";
    EXPECT_TRUE(idle());
    const auto played = SamplesOf(speaker->played());
    EXPECT_NE(std::search(played.begin(), played.end(), ramp.begin(), ramp.end()), played.end()) << "played whole";
    EXPECT_EQ(device.idleStops(), 2u);
    EXPECT_EQ(device.reopens(), 0u) << "a closed device is not a stalled one";

    speaker->failOpens(audio::Result::Allocated); // another program took the device while it was closed
    device.mixer().withStreamOf<BufferStream>(wave, [&](BufferStream& s) { return s.AddWave(ramp, 0, 0); });
    ASSERT_TRUE(clock.runFor(1200ms) && clock.awaitIdle());
    EXPECT_FALSE(open());
    speaker->failOpens(audio::Result::Ok);
    ASSERT_TRUE(clock.runFor(600ms) && clock.awaitIdle());
    EXPECT_TRUE(open()) << "tried again until it opens";
}

} // namespace
} // namespace kez::sonwell::test
