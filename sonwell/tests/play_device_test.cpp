// The play device on a virtual device and the test clock: closed after a second of silence, asleep
// without a timer, opened at once (the clock standing) by a stream with sound, which plays whole.
#include "play_device.h"
#include "play_test_support.h"
#include "scoped_audio_devices.h"
#include "test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;

TEST(PlayDeviceTest, SleepsThroughSilenceAndWakesForAStreamWithSound) {
    const kez::test::ScopedAudioDevices devices("virtual:Speaker");
    const auto speaker = audio::virtualDevice("Speaker");
    sys::TestClock clock(1000);
    CAudioPlayDevice device; // after the clock: its thread stops first
    const auto open = [&] { return speaker->openFormat(audio::Direction::Playback).has_value(); };
    const auto idle = [&] { return clock.runFor(1300ms) && clock.awaitIdle() && !open(); };
    ASSERT_EQ(device.Initialize(test::testFormat(), audio::kDefaultDevice, false), 0);
    ASSERT_EQ(device.BeginStreamingPlay(), 0);
    ASSERT_TRUE(idle());
    EXPECT_EQ(clock.untilNextDeadline(), std::nullopt) << "no timer while idle";

    std::vector<std::int16_t> ramp(3 * 192);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(100 + 37 * i);
    auto& m = device.mixer();
    StreamHandle realTime = 0, alert = 0, wave = 0;
    m.realTimeStream(1, false, realTime), m.alertStream(100, 150, false, alert), m.waveStream(100, false, wave);
    const struct {
        const char* what;
        StreamHandle stream;
        std::function<com::HRESULT(CPlayStream&)> add;
        bool opens;
    } cases[] = {
        {"no sound yet", alert, [](CPlayStream&) { return com::S_OK; }, false},
        {"silent alert", alert, [](CPlayStream& s) { return dynamic_cast<BufferStream&>(s).AddAlert(14, 0, 0); },
         false},
        {"real-time frame", realTime,
         [&](CPlayStream& s) {
             return dynamic_cast<RealTimeStream&>(s).AddData(std::vector<std::uint8_t>(192, 0x20), 7);
         },
         true},
        {"wave", wave, [&](CPlayStream& s) { return dynamic_cast<BufferStream&>(s).AddWave(ramp, 0, 0); }, true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(m.withStream(c.stream, c.add), com::S_OK) << c.what;
        ASSERT_TRUE(clock.awaitIdle());
        EXPECT_EQ(open(), c.opens) << c.what;
        EXPECT_TRUE(idle()) << c.what;
    }
    const auto played = test::SamplesOf(speaker->played());
    EXPECT_NE(std::search(played.begin(), played.end(), ramp.begin(), ramp.end()), played.end()) << "played whole";
    EXPECT_EQ(device.idleStops(), 3u);
    EXPECT_EQ(device.reopens(), 0u) << "a closed device is not a stalled one";
}

} // namespace
} // namespace kez::sonwell
