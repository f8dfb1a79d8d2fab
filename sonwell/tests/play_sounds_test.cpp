// Tone, alert, wave and reliable streams: what they play, for how long, and how they end.
#include "play_test_support.h"

#include "sonwell/alert_generator.h"
#include "sonwell/tone_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kez::sonwell::test {
namespace {

bool silent(const std::vector<std::int16_t>& frame) {
    return std::all_of(frame.begin(), frame.end(), [](auto v) { return v == 0; });
}

bool activeNow(PlayMixer& mixer, StreamHandle handle) {
    bool active = false;
    mixer.withStream(handle, [&](CPlayStream& s) {
        active = s.isActive();
        return com::S_OK;
    });
    return active;
}

// Frames mixed until the stream goes inactive (at most `limit`).
int framesPlayed(MixerBench& bench, StreamHandle handle, int limit = 2000) {
    int frames = 0;
    while (activeNow(bench.mixer, handle) && frames < limit) {
        bench.mix();
        ++frames;
    }
    return frames;
}

TEST(AlertStreamTest, CadencesSilenceTheirPartsOfTheCycle) {
    struct Case {
        int cadence;
        std::vector<int> soundingMs, silentMs;
    };
    const Case cases[] = {{1, {0, 1992}, {2016, 5976}},
                          {2, {0, 384, 1200, 1992}, {408, 1176, 2016}},
                          {3, {984, 1272, 1488, 1752}, {1008, 1248, 1512, 1728, 2400}}};
    for (const auto& c : cases) {
        MixerBench bench;
        StreamHandle alert = 0;
        bench.mixer.alertStream(100, 150, false, alert);
        bench.mixer.withStreamOf<BufferStream>(alert, [&](BufferStream& s) { return s.AddAlert(3, c.cadence, 0); });
        std::vector<std::vector<std::int16_t>> frames;
        for (int i = 0; i < 250; ++i)
            frames.push_back(bench.mix());
        for (const int t : c.soundingMs)
            EXPECT_FALSE(silent(frames[t / 24])) << "cadence " << c.cadence << " t=" << t;
        for (const int t : c.silentMs)
            EXPECT_TRUE(silent(frames[t / 24])) << "cadence " << c.cadence << " t=" << t;
    }
}

TEST(AlertStreamTest, CyclesAndStrength) {
    struct Case {
        int alert, cycles, frames;
    };
    for (const Case& c : {Case{0, 0, 250}, Case{0, 1, 500}, Case{0, 255, 2000}, Case{kSilentAlert, 0, 0}}) {
        MixerBench bench;
        StreamHandle alert = 0;
        bench.mixer.alertStream(100, 150, false, alert);
        bench.mixer.withStreamOf<BufferStream>(alert,
                                               [&](BufferStream& s) { return s.AddAlert(c.alert, 1, c.cycles); });
        EXPECT_EQ(framesPlayed(bench, alert), c.frames) << "alert " << c.alert << " cycles " << c.cycles;
    }
    MixerBench half;
    StreamHandle alert = 0;
    half.mixer.alertStream(50, 150, false, alert);
    half.mixer.withStreamOf<BufferStream>(alert, [](BufferStream& s) { return s.AddAlert(0, 1, 0); });
    ToneState state;
    const auto frame = half.mix();
    for (int i = 0; i < 192; ++i)
        ASSERT_EQ(frame[i], GenerateAlertSample(0, i / 8, state) * 50 / 100) << i;
}

TEST(ToneStreamTest, PlaysItsDurationAtItsStrength) {
    struct Case {
        std::int16_t durationMs;
        int frames;
    };
    for (const Case& c : {Case{100, 5}, Case{0, 0}, Case{24, 1}, Case{-1, 2000}, Case{-2, 2000}}) {
        MixerBench bench;
        StreamHandle tone = 0;
        bench.mixer.toneStream(16 + 1, c.durationMs, 0, 100, 50, false, tone);
        EXPECT_EQ(framesPlayed(bench, tone), c.frames) << c.durationMs;
    }
    MixerBench bench;
    StreamHandle tone = 0;
    bench.mixer.toneStream(17, 100, 3, 40, 50, false, tone);
    ToneState state;
    std::vector<std::int16_t> all;
    for (int i = 0; i < 5; ++i) {
        const auto frame = bench.mix();
        all.insert(all.end(), frame.begin(), frame.end());
    }
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], i < 800 ? GenerateToneSample(17, 3, state) * 40 / 100 : 0) << i;
}

TEST(WaveStreamTest, PlaysForItsTimeOrItsRounds) {
    struct Case {
        std::size_t samples;
        std::uint16_t durationMs;
        std::uint8_t cycles;
        int frames;
    };
    std::vector<Case> cases = {
        {3200, 1000, 0, 42},    // 400 ms repeated until about 1000 ms, ending on a frame boundary
        {3200, 0, 0, 17},       // once
        {3840, 0, 2, 60},       // three rounds of 20 frames
        {192, 16, 0, 1},        // a duration shorter than a frame ends, never wraps
        {192, 0xFFFF, 0, 2000}, // endless
        {0, 1000, 0, 0},        // nothing to play
    };
    for (std::size_t samples = 1; samples <= 9; ++samples)
        cases.push_back({samples, 48, 0, 2}); // however short the data, it plays its time and ends
    for (const auto& c : cases) {
        MixerBench bench;
        StreamHandle wave = 0;
        bench.mixer.waveStream(100, false, wave);
        const std::vector<std::int16_t> samples(c.samples, 500);
        bench.mixer.withStreamOf<BufferStream>(
            wave, [&](BufferStream& s) { return s.AddWave(samples, c.durationMs, c.cycles); });
        EXPECT_EQ(framesPlayed(bench, wave), c.frames) << c.samples << " " << c.durationMs << " " << int{c.cycles};
    }
}

TEST(ReliableStreamTest, PlaysAllThenCompletesOnce) {
    MixerBench bench;
    std::vector<StreamHandle> completions;
    StreamHandle stream = 0;
    bench.mixer.reliableStream(
        1, 505, [&](StreamHandle h) { completions.push_back(h); }, stream);
    auto add = [&](std::size_t bytes) {
        return bench.mixer.withStreamOf<ReliableStream>(
            stream, [&](ReliableStream& s) { return s.AddData(MixerBench::levelFrame(0xE0, bytes)); });
    };
    const auto level = MixerBench::level(0xE0);
    add(300);
    add(205);
    std::vector<std::int16_t> played;
    for (int i = 0; i < 5; ++i) {
        const auto frame = bench.mix();
        played.insert(played.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(std::count(played.begin(), played.end(), level), 505);
    EXPECT_TRUE(std::all_of(played.begin(), played.begin() + 505, [&](auto v) { return v == level; }));
    EXPECT_EQ(completions, std::vector<StreamHandle>{stream});
    add(10);
    bench.mix();
    bench.mix();
    EXPECT_EQ(completions.size(), 2u) << "new data arms the completion again";

    StreamHandle ima = 0;
    bench.mixer.reliableStream(3, 505, {}, ima);
    EXPECT_EQ(bench.mixer.withStreamOf<ReliableStream>(
                  ima, [](ReliableStream& s) { return s.AddData(std::vector<std::uint8_t>(3)); }),
              com::E_INVALIDARG);
    EXPECT_EQ(bench.mixer.withStreamOf<ReliableStream>(
                  ima, [](ReliableStream& s) { return s.AddData(std::vector<std::uint8_t>(256)); }),
              com::S_OK);
    bench.mixer.withStream(ima, [](CPlayStream& s) {
        EXPECT_EQ(s.buffered(), 505);
        return com::S_OK;
    });
}

} // namespace
} // namespace kez::sonwell::test
