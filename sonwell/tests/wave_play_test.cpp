// The WavePlay object on virtual devices: its refusals and texts, the stream count, the
// speaker's mixer, completions on the creating thread, and a dial tone played end to end.
#include "wave_play_object.h"

#include "scoped_audio_devices.h"
#include "signal_analysis.h"
#include "test_support.h"

#include "kez/apt/apartment.h"
#include "kez/com/error_info.h"
#include "kez/com/safe_array.h"
#include "sonwell/mulaw.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;
using audio::ControlKind;
using audio::LineKind;

constexpr std::uint32_t kVolumeId = 7;
constexpr std::uint32_t kMuteId = 8;

audio::MixerControl control(std::uint32_t id, ControlKind kind, std::int32_t maximum) {
    audio::MixerControl c;
    c.id = id;
    c.kind = kind;
    c.maximum = maximum;
    c.steps = static_cast<std::uint32_t>(maximum);
    return c;
}

class WavePlayTest : public ::testing::Test {
protected:
    WavePlayTest() : devices_("virtual:Speaker"), speaker_(audio::virtualDevice("Speaker")) {}

    void addSpeakerMixer() {
        speaker_->mixer().addDestination(
            {"Speakers",
             LineKind::Speakers,
             2,
             {control(kVolumeId, ControlKind::Volume, 65535), control(kMuteId, ControlKind::Mute, 1)}});
    }
    static com::ErrorInfo lastError() { return com::takeErrorInfo().value_or(com::ErrorInfo{}); }

    kez::test::ScopedAudioDevices devices_;
    std::shared_ptr<audio::VirtualDevice> speaker_;
    com::Ptr<WavePlay> play_ = std::make_shared<WavePlay>();
};

TEST_F(WavePlayTest, RefusesWhatItCannotPlayWithItsTexts) {
    ASSERT_EQ(play_->Open(), com::S_OK);
    std::int32_t tone = 0, stream = 0;
    ASSERT_EQ(play_->PlayTone(16, -1, 50, com::VARIANT_FALSE, tone), com::S_OK);
    ASSERT_EQ(play_->CreateStream(1, 0, stream), com::S_OK);
    const auto frame = com::SafeArray::fromBytes(com::ElementType::UI1, std::vector<std::uint8_t>(192, 0xE0));
    struct Case {
        const char* what;
        HRESULT hr;
        HRESULT expected;
        const char* text;
    };
    const std::vector<std::uint8_t> shortFormat(12, 1);
    std::vector<std::uint8_t> noChannels = {1, 0, 0, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0};
    std::int32_t wave = 0;
    const Case cases[] = {
        {"buffer on a tone", play_->AddBuffer(tone, *frame, 0), kWaveGeneralError, "Invalid stream type"},
        {"buffer on no stream", play_->AddBuffer(tone + stream + 9, *frame, 0), kWaveGeneralError,
         "Error adding buffer"},
        {"silence on a tone", play_->AddSilence(tone, 1), kWaveGeneralError, "Error adding silence"},
        {"comfort on no stream", play_->AddComfort(0, 1), kWaveGeneralError, "Error adding silence"},
        {"short wave format",
         play_->PlayTimedWave(*com::SafeArray::fromBytes(com::ElementType::UI1, shortFormat), *frame, 100, 1,
                              com::VARIANT_FALSE, wave),
         waveMmError(audio::Result::BadFormat), "Error getting stream"},
        {"wave format without channels",
         play_->PlayCycledWave(*com::SafeArray::fromBytes(com::ElementType::UI1, noChannels), *frame, 0, 1,
                               com::VARIANT_FALSE, wave),
         waveMmError(audio::Result::BadFormat), "Error getting stream"},
        {"delete twice", (play_->DeleteStream(stream), play_->DeleteStream(stream)), kWaveGeneralError,
         "Error deleting stream"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.hr, c.expected) << c.what;
        // Each case's call ran in order, so only the last error object is left to read.
    }
    const auto error = lastError();
    EXPECT_EQ(error.description, "Error deleting stream");
    EXPECT_EQ(error.source, "Sonwell.WavePlay.1");
    EXPECT_EQ(play_->AddBuffer(tone, *frame, 0), kWaveGeneralError);
    EXPECT_EQ(lastError().description, "Invalid stream type");
}

TEST_F(WavePlayTest, CountsEveryStreamCreatedAndNotDeleted) {
    ASSERT_EQ(play_->Open(), com::S_OK);
    std::int32_t handles[5] = {};
    const auto format = com::SafeArray::fromBytes(
        com::ElementType::UI1, std::vector<std::uint8_t>{1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0});
    const auto data = com::SafeArray::fromI2(std::vector<std::int16_t>(800, 1000));
    ASSERT_EQ(play_->CreateStream(1, -1, handles[0]), com::S_OK);
    ASSERT_EQ(play_->CreateReliableStream(3, 505, handles[1]), com::S_OK);
    ASSERT_EQ(play_->PlayTone(1, 100, 100, com::VARIANT_FALSE, handles[2]), com::S_OK);
    ASSERT_EQ(play_->PlayAlert(0, 1, 0, 150, com::VARIANT_TRUE, handles[3]), com::S_OK);
    ASSERT_EQ(play_->PlayCycledWave(*format, data, 0, 120, com::VARIANT_FALSE, handles[4]), com::S_OK);
    std::int32_t count = 0;
    play_->get_lActiveStreams(count);
    EXPECT_EQ(count, 5);
    std::int32_t buffered = 0;
    play_->get_lSamplesBuffered(handles[4], buffered);
    EXPECT_EQ(buffered, 800);
    play_->DeleteStream(handles[2]);
    play_->get_lActiveStreams(count);
    EXPECT_EQ(count, 4);
    play_->StartStreaming();
    play_->StopStreaming();
    play_->get_lActiveStreams(count);
    EXPECT_EQ(count, 0) << "stopping destroys every stream";
    com::VariantBool active = 0;
    EXPECT_EQ(play_->bIsActive(handles[0], active), kWaveGeneralError) << "handles die with their streams";
}

TEST_F(WavePlayTest, SpeakerVolumeAndMute) {
    std::int16_t strength = 0;
    play_->put_nToneStrength(101);
    play_->get_nToneStrength(strength);
    EXPECT_EQ(strength, 100);
    ASSERT_EQ(play_->Open(), com::S_OK);
    com::VariantBool muted = 5;
    EXPECT_EQ(play_->get_bMute(muted), com::S_OK);
    EXPECT_EQ(muted, 5) << "no mixer: nothing happens";
    EXPECT_EQ(play_->put_bMute(com::VARIANT_TRUE), com::S_OK);

    addSpeakerMixer();
    ASSERT_EQ(play_->Open(), com::S_OK);
    struct Case {
        std::int32_t start;
        std::int16_t change;
        std::int32_t result;
    };
    for (const Case& c : {Case{62258, 100, 65535}, Case{3277, -100, 0}, Case{32767, 100, 39255}, Case{0, -5, 0}}) {
        speaker_->mixer().setValues(kVolumeId, std::vector<std::int32_t>{c.start});
        EXPECT_EQ(play_->ChangeVolume(c.change), com::S_OK);
        std::vector<std::int32_t> now;
        speaker_->mixer().getValues(kVolumeId, now);
        EXPECT_EQ(now, std::vector<std::int32_t>{c.result}) << c.start << " " << c.change;
    }
    for (const auto& [put, got] : {std::pair{com::VARIANT_TRUE, 1}, {com::VARIANT_FALSE, 0}, {1, 1}}) {
        EXPECT_EQ(play_->put_bMute(put), com::S_OK);
        EXPECT_EQ(play_->get_bMute(muted), com::S_OK);
        EXPECT_EQ(muted, got) << "the control's own value after a put of " << put;
    }
    speaker_->mixer().failControl(kVolumeId, audio::Result::InvalidControl);
    EXPECT_EQ(play_->ChangeVolume(10), waveMmError(audio::Result::InvalidControl));
    EXPECT_EQ(lastError().description, "GetControlDetails failure on mixer");
}

TEST(SpeakerMixerTest, VolumeStepsAreTheControlsOwn) {
    auto coarse = control(kVolumeId, ControlKind::Volume, 65535);
    coarse.steps = 10;
    EXPECT_EQ(changedVolume(coarse, 32767, 100), 39318) << "the nearest of ten steps, not a multiple of 10";
    auto flat = control(kVolumeId, ControlKind::Volume, 0);
    flat.minimum = flat.maximum = 5;
    EXPECT_EQ(changedVolume(flat, 5, 100), 5) << "an empty range divides by nothing";
}

TEST_F(WavePlayTest, ListsThePlayAdapters) {
    Variant list;
    ASSERT_EQ(play_->get_varAdapters(list), com::S_OK);
    ASSERT_TRUE(list.isArray());
    EXPECT_EQ(list.get<com::SafeArray>()->texts(), std::vector<std::string>{"Speaker"});
    kez::test::ScopedAudioDevices none("");
    WavePlay fresh;
    ASSERT_EQ(fresh.get_varAdapters(list), com::S_OK);
    EXPECT_TRUE(list.get<com::SafeArray>()->texts().empty());
}

std::vector<std::int16_t> playedSamples(const audio::VirtualDevice& device) { return test::SamplesOf(device.played()); }

// Waits (bounded) until the stream has played out, and a little longer for the ring to empty.
void playOut(WavePlay& play, std::int32_t stream) {
    com::VariantBool active = com::VARIANT_TRUE;
    for (int i = 0; i < 300 && active; ++i) {
        std::this_thread::sleep_for(10ms);
        play.bIsActive(stream, active);
    }
    std::this_thread::sleep_for(300ms);
}

class CompletionSink final : public com::Implements<_IWavePlayEvents> {
public:
    HRESULT PlayComplete(std::int32_t lStream) override {
        streams.push_back(lStream);
        threads.push_back(std::this_thread::get_id());
        return com::S_OK;
    }
    std::vector<std::int32_t> streams;
    std::vector<std::thread::id> threads;
};

TEST_F(WavePlayTest, ReliableStreamCompletesOnceOnTheCreatingThread) {
    auto sink = std::make_shared<CompletionSink>();
    ASSERT_NE(test::AdviseEvents<_IWavePlayEvents>(play_, sink), com::kNoCookie);
    ASSERT_EQ(play_->Open(), com::S_OK);
    std::int32_t stream = 0;
    ASSERT_EQ(play_->CreateReliableStream(1, 505, stream), com::S_OK);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    // Data comes from another thread, as the engine's network thread gives it.
    std::thread feeder([&] {
        const auto bytes = com::SafeArray::fromBytes(com::ElementType::UI1, std::vector<std::uint8_t>(505, 0xE0));
        EXPECT_EQ(play_->AddBuffer(stream, *bytes, 0), com::S_OK);
    });
    feeder.join();
    apt::Apartment::current().pumpFor(3s, [&] { return !sink->streams.empty(); });
    apt::Apartment::current().pumpFor(200ms);
    EXPECT_EQ(sink->streams, std::vector<std::int32_t>{stream});
    EXPECT_EQ(sink->threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    play_->Close();
}

// Each sound of the ring goes out at its time: the dial tone's two frequencies, at the level
// the tone table gives, and nothing of a third.
TEST_F(WavePlayTest, DialTonePlaysThroughTheDevice) {
    ASSERT_EQ(play_->Open(), com::S_OK);
    std::int32_t tone = 0;
    ASSERT_EQ(play_->PlayTone(16, 480, 50, com::VARIANT_FALSE, tone), com::S_OK);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    playOut(*play_, tone);
    play_->StopStreaming();
    const auto samples = playedSamples(*speaker_);
    const auto stretches = kez::test::SoundingStretches(samples);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].length, 3840u) << "480 ms at 8000 samples a second";
    const auto sound = std::span(samples).subspan(stretches[0].start, stretches[0].length);
    EXPECT_GT(kez::test::GoertzelPower(sound, 350), 100 * kez::test::GoertzelPower(sound, 1000));
    EXPECT_GT(kez::test::GoertzelPower(sound, 440), 100 * kez::test::GoertzelPower(sound, 1000));
}

// Half a second of 440 Hz made by sox in six layouts plays once, at its pitch and length.
TEST_F(WavePlayTest, WaveFilesPlayAtTheirPitchAndLength) {
    const kez::test::TempDir dir;
    ASSERT_EQ(play_->Open(), com::S_OK);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    for (const std::string layout : test::kWaveLayouts) {
        const auto [format, data] = test::SoxTone(layout, dir / "tone.wav");
        ASSERT_FALSE(data.empty()) << layout;
        speaker_->clearPlayed();
        std::int32_t wave = 0;
        ASSERT_EQ(play_->PlayCycledWave(*com::SafeArray::fromBytes(com::ElementType::UI1, format),
                                        *com::SafeArray::fromBytes(com::ElementType::UI1, data), 0, 100,
                                        com::VARIANT_FALSE, wave),
                  com::S_OK)
            << layout;
        playOut(*play_, wave);
        const auto samples = playedSamples(*speaker_);
        const auto stretches = kez::test::SoundingStretches(samples, 64);
        ASSERT_EQ(stretches.size(), 1u) << layout;
        EXPECT_NEAR(static_cast<double>(stretches[0].length), 4000, 40) << layout;
        EXPECT_NEAR(test::PeakFrequency(std::span(samples).subspan(stretches[0].start + 200, 3200), 420, 460), 440, 1.5)
            << layout;
        play_->DeleteStream(wave);
    }
}

// A second streaming run starts at the device's pace: the pause between the runs is no lateness.
TEST_F(WavePlayTest, StreamingAgainAfterAPauseKeepsThePace) {
    ASSERT_EQ(play_->Open(), com::S_OK);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    std::this_thread::sleep_for(100ms);
    play_->StopStreaming();
    std::this_thread::sleep_for(400ms);
    speaker_->clearPlayed();
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    std::int32_t tone = 0;
    ASSERT_EQ(play_->PlayTone(16, 480, 50, com::VARIANT_FALSE, tone), com::S_OK);
    playOut(*play_, tone);
    const auto stretches = kez::test::SoundingStretches(playedSamples(*speaker_));
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].length, 3840u) << "480 ms, none of it played short";
}

TEST_F(WavePlayTest, ReopensAStalledDevice) {
    ASSERT_EQ(play_->Open(), com::S_OK);
    ASSERT_EQ(play_->StartStreaming(), com::S_OK);
    speaker_->setStalled(true);
    std::this_thread::sleep_for(600ms);
    speaker_->setStalled(false);
    std::int32_t tone = 0;
    ASSERT_EQ(play_->PlayTone(16, 100, 50, com::VARIANT_FALSE, tone), com::S_OK);
    playOut(*play_, tone);
    com::VariantBool active = com::VARIANT_TRUE;
    play_->bIsActive(tone, active);
    EXPECT_FALSE(active) << "sound moves again after the device was reopened";
}

} // namespace
} // namespace kez::sonwell
