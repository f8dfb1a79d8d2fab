// The play device on a virtual device run by the test clock: it closes the device after about a
// second with nothing to play, sleeps without a timer, and opens it again at once for a stream
// that has sound, which is then played whole.
#include "play_device.h"

#include "play_test_support.h"
#include "scoped_audio_devices.h"
#include "test_support.h"

#include "kez/sys/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;

class PlayDeviceTest : public ::testing::Test {
protected:
    PlayDeviceTest() : devices_("virtual:Speaker"), speaker_(audio::virtualDevice("Speaker")) {}

    void start() {
        ASSERT_EQ(device_.Initialize(test::testFormat(), audio::kDefaultDevice, false), 0);
        ASSERT_EQ(device_.BeginStreamingPlay(), 0);
    }
    bool deviceOpen() const { return speaker_->openFormat(audio::Direction::Playback).has_value(); }
    // Runs the clock until the device has stopped for want of sound, as it must within 1.5 s.
    void runUntilIdle() {
        for (int step = 0; step < 15 && deviceOpen(); ++step)
            ASSERT_TRUE(clock_.runFor(100ms));
        ASSERT_TRUE(clock_.awaitIdle());
    }

    kez::test::ScopedAudioDevices devices_;
    std::shared_ptr<audio::VirtualDevice> speaker_;
    sys::TestClock clock_{1000};
    CAudioPlayDevice device_; // last: its thread stops before the clock goes
};

TEST_F(PlayDeviceTest, StopsAfterASecondOfSilenceAndWaitsWithoutATimer) {
    start();
    ASSERT_TRUE(clock_.runFor(800ms));
    EXPECT_TRUE(deviceOpen()) << "a short silence keeps the device";
    runUntilIdle();
    EXPECT_FALSE(deviceOpen());
    EXPECT_EQ(device_.idleStops(), 1u);
    EXPECT_EQ(clock_.untilNextDeadline(), std::nullopt) << "nothing wakes while idle";
    ASSERT_TRUE(clock_.runFor(5s));
    EXPECT_EQ(device_.reopens(), 0u) << "a closed device is not a stalled one";
    EXPECT_TRUE(device_.streaming());
}

TEST_F(PlayDeviceTest, OnlyAStreamWithSoundOpensTheIdleDevice) {
    struct Case {
        const char* name;
        std::function<void(PlayMixer&)> add;
        bool opens;
    };
    const std::vector<std::uint8_t> frame(192, 0x20);
    const Case cases[] = {
        {"tone",
         [](PlayMixer& m) {
             StreamHandle h;
             m.toneStream(16, 100, 0, 100, 50, false, h);
         },
         true},
        {"real-time frame",
         [&](PlayMixer& m) {
             StreamHandle h;
             m.realTimeStream(1, false, h);
             m.withStreamOf<RealTimeStream>(h, [&](RealTimeStream& s) { return s.AddData(frame, 7); });
         },
         true},
        {"stream activated",
         [](PlayMixer& m) {
             StreamHandle h;
             m.realTimeStream(1, false, h);
             m.withStream(h, [](CPlayStream& s) {
                 s.activate();
                 return com::S_OK;
             });
         },
         true},
        {"real-time stream without frames",
         [](PlayMixer& m) {
             StreamHandle h;
             m.realTimeStream(1, true, h);
         },
         false},
        {"silent alert",
         [](PlayMixer& m) {
             StreamHandle h;
             m.alertStream(100, 150, false, h);
             m.withStreamOf<BufferStream>(h, [](BufferStream& s) { return s.AddAlert(14, 0, 0); });
         },
         false},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runUntilIdle();
        ASSERT_FALSE(deviceOpen());
        c.add(device_.mixer());
        ASSERT_TRUE(clock_.awaitIdle());
        EXPECT_EQ(deviceOpen(), c.opens) << "without the clock moving";
        device_.mixer().releaseAll();
    }
}

TEST_F(PlayDeviceTest, ASoundAddedWhileIdlePlaysWhole) {
    start();
    runUntilIdle();
    speaker_->clearPlayed();
    std::vector<std::int16_t> ramp(3 * 192);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(100 + 37 * i);
    StreamHandle handle = 0;
    ASSERT_EQ(device_.mixer().waveStream(100, false, handle), com::S_OK);
    ASSERT_EQ(
        device_.mixer().withStreamOf<BufferStream>(handle, [&](BufferStream& s) { return s.AddWave(ramp, 0, 0); }),
        com::S_OK);
    ASSERT_TRUE(clock_.runFor(500ms));
    const auto played = test::SamplesOf(speaker_->played());
    const auto at = std::search(played.begin(), played.end(), ramp.begin(), ramp.end());
    ASSERT_NE(at, played.end()) << "the whole sound, in one piece";
    EXPECT_TRUE(std::all_of(played.begin(), at, [](std::int16_t s) { return s == 0; })) << "silence before it";
    runUntilIdle();
    EXPECT_EQ(device_.idleStops(), 2u);
}

} // namespace
} // namespace kez::sonwell
