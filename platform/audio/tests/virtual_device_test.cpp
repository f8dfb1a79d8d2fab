// The virtual backend driven by the test clock: pacing, completion order, reset and close,
// underruns, stalls, failure switches, and recording of scripted input.
#include "kez/audio/pcm.h"
#include "kez/audio/virtual_audio.h"
#include "kez/sys/tick.h"

#include "pcm_test_support.h"
#include "scoped_audio_devices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kez::audio {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kFrames = 80; // 10 ms at 8,000 Hz

// Buffers with fixed contents, and the order their completions came in.
class Completions {
public:
    explicit Completions(std::size_t count) : memory_(count), buffers_(count) {
        for (std::size_t i = 0; i < count; ++i) {
            memory_[i].assign(kFrames * 2, static_cast<std::uint8_t>(i + 1));
            buffers_[i] = {memory_[i].data(), memory_[i].size(), 0, i};
        }
    }
    Completion callback() {
        return [this](PcmBuffer& buffer) {
            const std::lock_guard hold(lock_);
            order_.push_back(buffer.tag);
            recorded_.push_back(buffer.recorded);
            changed_.notify_all();
        };
    }
    PcmBuffer& operator[](std::size_t i) { return buffers_[i]; }
    std::vector<std::uint8_t>& memory(std::size_t i) { return memory_[i]; }
    // The completions once `count` have come (or what came within a second).
    std::vector<std::uintptr_t> awaitCount(std::size_t count) {
        std::unique_lock hold(lock_);
        changed_.wait_for(hold, 1s, [&] { return order_.size() >= count; });
        return order_;
    }
    // What has come after a short quiet spell (for "nothing more completes").
    std::vector<std::uintptr_t> settle() {
        std::this_thread::sleep_for(50ms);
        const std::lock_guard hold(lock_);
        return order_;
    }
    std::size_t recorded(std::size_t at) {
        const std::lock_guard hold(lock_);
        return recorded_.at(at);
    }

private:
    std::vector<std::vector<std::uint8_t>> memory_;
    std::vector<PcmBuffer> buffers_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::uintptr_t> order_;
    std::vector<std::size_t> recorded_;
};

using Order = std::vector<std::uintptr_t>;

class VirtualDeviceTest : public ::testing::Test {
protected:
    VirtualDeviceTest() : devices_("virtual:Speaker,virtual:Headset"), speaker_(virtualDevice("Speaker")) {}

    // Lets the device's worker take up what was queued, moves the clock, and lets the worker
    // do what came due.
    void advance(sys::Tick ms) {
        ASSERT_TRUE(clock_.awaitIdle());
        clock_.advance(ms);
        ASSERT_TRUE(clock_.awaitIdle());
    }

    kez::test::ScopedAudioDevices devices_;
    sys::TestClock clock_{1000};
    std::shared_ptr<VirtualDevice> speaker_;
};

TEST_F(VirtualDeviceTest, OutputIsPacedByTheClockAndCompletesInQueueOrder) {
    Completions buffers(3);
    PcmOut out;
    ASSERT_EQ(out.open(kDefaultDevice, kTelephoneFormat, buffers.callback()), Result::Ok);
    for (std::size_t i = 0; i < 3; ++i)
        ASSERT_EQ(out.write(buffers[i]), Result::Ok);
    EXPECT_EQ(buffers.settle(), Order{});
    advance(10);
    EXPECT_EQ(buffers.awaitCount(1), Order{0});
    EXPECT_EQ(buffers.settle(), Order{0});
    advance(25);
    EXPECT_EQ(buffers.awaitCount(3), (Order{0, 1, 2}));
    std::uint64_t frames = 0;
    ASSERT_EQ(out.position(frames), Result::Ok);
    EXPECT_EQ(frames, 3 * kFrames);
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < 3; ++i)
        expected.insert(expected.end(), buffers.memory(i).begin(), buffers.memory(i).end());
    EXPECT_EQ(speaker_->played(), expected);
    EXPECT_EQ(out.underruns(), 1u) << "the queue ran dry after the last buffer";
    EXPECT_EQ(speaker_->underruns(), 1u);
}

TEST_F(VirtualDeviceTest, ResetAndCloseCompleteEveryQueuedBufferOnce) {
    Completions buffers(4);
    PcmOut out;
    ASSERT_EQ(out.open(1, kTelephoneFormat, buffers.callback()), Result::Ok);
    for (std::size_t i = 0; i < 4; ++i)
        ASSERT_EQ(out.write(buffers[i]), Result::Ok);
    advance(10);
    ASSERT_EQ(buffers.awaitCount(1), Order{0});
    ASSERT_EQ(out.reset(), Result::Ok);
    EXPECT_EQ(buffers.settle(), (Order{0, 1, 2, 3})) << "reset returns after the rest completed";
    std::uint64_t frames = 1;
    ASSERT_EQ(out.position(frames), Result::Ok);
    EXPECT_EQ(frames, 0u);

    ASSERT_EQ(out.write(buffers[0]), Result::Ok);
    ASSERT_EQ(out.write(buffers[1]), Result::Ok);
    ASSERT_EQ(out.close(), Result::Ok);
    EXPECT_EQ(buffers.settle(), (Order{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(out.write(buffers[2]), Result::InvalidHandle);
    advance(100);
    EXPECT_EQ(buffers.settle().size(), 6u);
    EXPECT_EQ(out.underruns(), 0u);
}

TEST_F(VirtualDeviceTest, CallbacksMayRequeueButNotReset) {
    std::vector<std::uint8_t> memory(kFrames * 2);
    PcmBuffer buffer{memory.data(), memory.size(), 0, 0};
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Result> seen;
    PcmOut out; // closed first: its last completions still reach `seen`
    ASSERT_EQ(out.open(0, kTelephoneFormat,
                       [&](PcmBuffer& done) {
                           const std::lock_guard hold(lock);
                           seen.push_back(seen.size() < 2 ? out.write(done) : out.reset());
                           changed.notify_all();
                       }),
              Result::Ok);
    ASSERT_EQ(out.write(buffer), Result::Ok);
    for (int step = 0; step < 3; ++step) {
        advance(10);
        std::unique_lock hold(lock);
        changed.wait_for(hold, 1s, [&] { return seen.size() > static_cast<std::size_t>(step); });
    }
    EXPECT_EQ(seen, (std::vector{Result::Ok, Result::Ok, Result::StillPlaying}));
}

TEST_F(VirtualDeviceTest, StalledDeviceCompletesNothingUntilItMovesAgain) {
    Completions buffers(1);
    PcmOut out;
    ASSERT_EQ(out.open(0, kTelephoneFormat, buffers.callback()), Result::Ok);
    speaker_->setStalled(true);
    ASSERT_EQ(out.write(buffers[0]), Result::Ok);
    advance(500);
    EXPECT_EQ(buffers.settle(), Order{});
    speaker_->setStalled(false);
    advance(10);
    EXPECT_EQ(buffers.awaitCount(1), Order{0});
}

TEST_F(VirtualDeviceTest, FailureSwitchesGiveTheirResults) {
    const PcmFormat wide{8000, 2, 16};
    struct Case {
        const char* name;
        void (*arrange)(VirtualDevice&);
        int device;
        PcmFormat format;
        Result expected;
    };
    const Case cases[] = {
        {"taken by another program", [](VirtualDevice& d) { d.failOpens(Result::Allocated); }, 0, kTelephoneFormat,
         Result::Allocated},
        {"format refused",
         [](VirtualDevice& d) {
             d.acceptOnly(PcmFormat{8000, 2, 16});
         },
         0, kTelephoneFormat, Result::BadFormat},
        {"format accepted",
         [](VirtualDevice& d) {
             d.acceptOnly(PcmFormat{8000, 2, 16});
         },
         0, wide, Result::Ok},
        {"unplugged", [](VirtualDevice& d) { d.unplug(); }, 0, kTelephoneFormat, Result::NoDriver},
        {"no such device", [](VirtualDevice&) {}, 2, kTelephoneFormat, Result::BadDeviceId},
        {"no such layout", [](VirtualDevice&) {}, 0, PcmFormat{8000, 1, 24}, Result::BadFormat},
    };
    for (const auto& c : cases) {
        const kez::test::ScopedAudioDevices fresh("virtual:Speaker,virtual:Headset");
        c.arrange(*virtualDevice("Speaker"));
        EXPECT_EQ(queryFormat(Direction::Playback, c.device, c.format), c.expected) << c.name;
        PcmOut out;
        EXPECT_EQ(out.open(c.device, c.format, [](PcmBuffer&) {}), c.expected) << c.name;
        EXPECT_EQ(out.isOpen(), ok(c.expected)) << c.name;
    }
    PcmOut first;
    PcmOut second;
    ASSERT_EQ(first.open(0, kTelephoneFormat, [](PcmBuffer&) {}), Result::Ok);
    EXPECT_EQ(second.open(0, kTelephoneFormat, [](PcmBuffer&) {}), Result::Allocated);
}

TEST_F(VirtualDeviceTest, UnpluggedDeviceFailsTheNextCallAndReopensOncePluggedIn) {
    Completions buffers(3);
    PcmOut out;
    ASSERT_EQ(out.open(0, kTelephoneFormat, buffers.callback()), Result::Ok);
    for (std::size_t i = 0; i < 3; ++i)
        ASSERT_EQ(out.write(buffers[i]), Result::Ok);
    advance(10);
    ASSERT_EQ(buffers.awaitCount(1), Order{0});
    speaker_->unplug();
    advance(10);
    std::uint64_t frames = 0;
    Result seen = Result::Ok;
    for (int i = 0; i < 100 && ok(seen); ++i) {
        std::this_thread::sleep_for(5ms);
        seen = out.position(frames);
    }
    EXPECT_EQ(seen, Result::NoDriver);
    EXPECT_EQ(out.write(buffers[0]), Result::NoDriver) << "refused, so it stays the caller's";
    EXPECT_EQ(out.close(), Result::Ok);
    EXPECT_EQ(buffers.settle(), (Order{0, 1, 2})) << "the held buffers complete once, at the close";
    EXPECT_EQ(out.open(0, kTelephoneFormat, buffers.callback()), Result::NoDriver);
    speaker_->plugIn();
    ASSERT_EQ(out.open(0, kTelephoneFormat, buffers.callback()), Result::Ok);
    ASSERT_EQ(out.write(buffers[0]), Result::Ok);
    advance(10);
    EXPECT_EQ(buffers.awaitCount(4).size(), 4u);
}

TEST_F(VirtualDeviceTest, InputDeliversWhatWasFedAtTheClocksPace) {
    auto headset = virtualDevice("Headset");
    const auto fed = test::tone(kFrames * 3 / 2, 500, 9000);
    std::vector<std::uint8_t> bytes;
    for (const auto sample : fed) {
        bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    headset->feed(bytes);
    Completions buffers(3);
    PcmIn in;
    ASSERT_EQ(in.open(1, kTelephoneFormat, buffers.callback()), Result::Ok);
    ASSERT_EQ(in.add(buffers[0]), Result::Ok);
    ASSERT_EQ(in.add(buffers[1]), Result::Ok);
    advance(10);
    EXPECT_EQ(buffers.settle(), Order{}) << "nothing is recorded before start";
    ASSERT_EQ(in.start(), Result::Ok);
    advance(10);
    ASSERT_EQ(buffers.awaitCount(1), Order{0});
    EXPECT_EQ(buffers.memory(0), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kFrames * 2));
    advance(5);
    ASSERT_EQ(in.stop(), Result::Ok);
    EXPECT_EQ(buffers.awaitCount(2), (Order{0, 1}));
    EXPECT_EQ(buffers.recorded(1), kFrames) << "stop hands back the part filled buffer";
    EXPECT_EQ(in.overruns(), 0u);

    ASSERT_EQ(in.start(), Result::Ok);
    advance(100); // the worker looks again within 100 ms
    EXPECT_EQ(in.overruns(), 1u) << "sound with no buffer queued is lost and counted";
    ASSERT_EQ(in.add(buffers[2]), Result::Ok);
    ASSERT_EQ(in.reset(), Result::Ok);
    EXPECT_EQ(buffers.settle(), (Order{0, 1, 2}));
    EXPECT_EQ(buffers.recorded(2), 0u);
}

TEST(DeviceNameTest, NamesAreCutAtThirtyOneBytesOnACharacterBoundary) {
    const struct {
        std::string name;
        std::string cut;
    } table[] = {
        {"PulseAudio Sound Server", "PulseAudio Sound Server"},
        {std::string(40, 'a'), std::string(31, 'a')},
        {std::string(30, 'a') + "\xC3\xA9" + "b", std::string(30, 'a')},
        {std::string(29, 'a') + "\xC3\xA9" + "b", std::string(29, 'a') + "\xC3\xA9"},
    };
    for (const auto& row : table)
        EXPECT_EQ(cutDeviceName(row.name), row.cut) << row.name;
    const kez::test::ScopedAudioDevices named("virtual:" + std::string(40, 'x') + ",,pulse");
    const auto devices = listDevices(Direction::Capture);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, std::string(31, 'x'));
    EXPECT_EQ(devices[1].pcmName, "pulse");
}

} // namespace
} // namespace kez::audio
