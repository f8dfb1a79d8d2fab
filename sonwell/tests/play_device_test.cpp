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
    StreamHandle wave = 0;
    ASSERT_EQ(device.mixer().waveStream(100, false, wave), com::S_OK);
    ASSERT_TRUE(clock.awaitIdle());
    EXPECT_FALSE(open()) << "a stream with no sound yet";
    device.mixer().withStreamOf<BufferStream>(wave, [&](BufferStream& s) { return s.AddWave(ramp, 0, 0); });
    ASSERT_TRUE(clock.awaitIdle());
    EXPECT_TRUE(open()) << "the clock standing";
    EXPECT_TRUE(idle());
    const auto played = test::SamplesOf(speaker->played());
    EXPECT_NE(std::search(played.begin(), played.end(), ramp.begin(), ramp.end()), played.end()) << "played whole";
    EXPECT_EQ(device.idleStops(), 2u);
    EXPECT_EQ(device.reopens(), 0u) << "a closed device is not a stalled one";
}

} // namespace
} // namespace kez::sonwell
