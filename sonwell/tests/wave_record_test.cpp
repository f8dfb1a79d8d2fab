// WaveRecord on in-memory capture devices: frames encoded from a sox-made recording decode (by
// sox) to the filtered input, events reach sinks on the right thread, and the recording
// survives restarts, refusals and a device that goes away.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <thread>

#include "high_pass_filter.h"
#include "kez/apt/apartment.h"
#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "kez/sys/event.h"
#include "kez/sys/trace.h"
#include "record_test_support.h"
#include "scoped_audio_devices.h"
#include "sonwell/ima_adpcm.h"
#include "test_support.h"
#include "wave_record_object.h"

namespace kez::sonwell {
namespace {

using namespace std::chrono_literals;
using test::Frame;
using test::RecordingSink;

class WaveRecordTest : public ::testing::Test {
protected:
    WaveRecordTest() {
        recorder_->put_bAutoSetupMixer(com::VARIANT_FALSE);
        test::AdviseEvents<_IWaveRecordEvents>(recorder_, sink_);
    }
    void feed(const std::vector<std::int16_t>& samples) {
        audio::virtualDevice("Mic")->feed(
            {reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * sizeof(std::int16_t)});
    }
    static std::vector<std::uint8_t> joined(const std::vector<Frame>& frames, std::size_t count) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < count; ++i)
            bytes.insert(bytes.end(), frames[i].bytes.begin(), frames[i].bytes.end());
        return bytes;
    }

    kez::test::ScopedAudioDevices devices_{"virtual:Mic"};
    std::shared_ptr<WaveRecord> recorder_ = std::make_shared<WaveRecord>();
    std::shared_ptr<RecordingSink> sink_ = std::make_shared<RecordingSink>();
};

// Signal-to-error ratio of `decoded` against `reference`, in dB.
double SnrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded) {
    double signal = 0, error = 0;
    for (std::size_t n = 0; n < reference.size(); ++n) {
        signal += double(reference[n]) * reference[n];
        error += (double(reference[n]) - decoded[n]) * (double(reference[n]) - decoded[n]);
    }
    return 10 * std::log10(signal / std::max(error, 1.0));
}

// The 100-byte frames as an IMA ADPCM WAV file: blocks of 193 samples, the last a padding code.
std::vector<std::uint8_t> ImaWav(const std::vector<std::uint8_t>& blocks) {
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    const auto tag = [&](const char* text) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(text[i]));
    };
    const auto size = static_cast<std::uint32_t>(blocks.size());
    tag("RIFF"), put(4 + 28 + 12 + 8 + size, 4), tag("WAVE");
    tag("fmt "), put(20, 4), put(0x11, 2), put(1, 2), put(8000, 4), put(8000 * 100 / 193, 4), put(100, 2), put(4, 2),
        put(2, 2), put(193, 2);
    tag("fact"), put(4, 4), put(size / 100 * 193, 4);
    tag("data"), put(size, 4);
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

TEST_F(WaveRecordTest, FramesOfASoxRecordingDecodeToTheFilteredInput) {
    constexpr std::size_t kFrames = 40;
    const test::TempDir dir;
    // Speech-band tones over mains hum, made by sox rather than by us.
    ASSERT_EQ(test::runCommand(
                  kez::test::shellCommand("sox -D -n -r 8000 -c 1 -b 16 -e signed -t raw \"$1\" synth 1.2 sine 50 "
                                          "sine 440 sine 1300 remix - vol 0.6",
                                          {dir / "input.raw"}))
                  .exitCode,
              0);
    const auto input = test::ReadSamples(dir / "input.raw");
    ASSERT_GE(input.size(), kFrames * 192);
    auto filtered = std::vector<std::int16_t>(input.begin(), input.begin() + kFrames * 192);
    HighPassFilter().apply(filtered);

    const struct {
        std::int16_t code;
        std::int32_t sendBytes;
        const char* decode;
        double minSnrDb;
    } rows[] = {{1, 192, "sox -D -t ul -r 8000 -c 1 \"$1\" -t raw -e signed -b 16 \"$2\"", 30},
                {2, 100, "sox -D -t wav \"$1\" -t raw -e signed -b 16 \"$2\"", 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        kez::test::ScopedAudioDevices fresh("virtual:Mic"); // nothing left over from the last row
        auto sink = std::make_shared<RecordingSink>();
        const auto cookie = test::AdviseEvents<_IWaveRecordEvents>(recorder_, sink);
        recorder_->put_lSendLen(row.sendBytes);
        feed(input);
        ASSERT_EQ(recorder_->Open(), com::S_OK);
        ASSERT_EQ(recorder_->Record(row.code), com::S_OK);
        const auto frames = sink->waitFor(kFrames);
        ASSERT_EQ(recorder_->Close(), com::S_OK);
        ASSERT_GE(frames.size(), kFrames);
        for (const auto& frame : frames)
            ASSERT_EQ(frame.bytes.size(), static_cast<std::size_t>(row.sendBytes));
        auto encoded = joined(frames, kFrames);
        if (row.code != 1) encoded = ImaWav(encoded);
        test::writeFile(dir / "frames", encoded);
        ASSERT_EQ(test::runCommand(kez::test::shellCommand(row.decode, {dir / "frames", dir / "decoded.raw"})).exitCode,
                  0);
        auto decoded = test::ReadSamples(dir / "decoded.raw");
        if (row.code != 1) { // drop each block's padding sample
            std::vector<std::int16_t> kept;
            for (std::size_t n = 0; n < decoded.size(); ++n)
                if (n % 193 != 192) kept.push_back(decoded[n]);
            decoded = kept;
        }
        ASSERT_GE(decoded.size(), filtered.size());
        decoded.resize(filtered.size());
        EXPECT_GT(SnrDb(filtered, decoded), row.minSnrDb);
        // Each frame restarts the predictor but carries the step index on.
        if (row.code != 1) {
            EXPECT_NE(frames[1].bytes[2], 0);
        }
        EXPECT_EQ(com::query<com::IConnectionPointContainer>(recorder_)->Unadvise(_IWaveRecordEvents::iid, cookie),
                  com::S_OK);
    }
}

TEST_F(WaveRecordTest, SilenceIsReportedOnTheCaptureThreadAfterTheHangover) {
    std::vector<std::int16_t> talk(192, 0);
    talk[3] = 5000;
    feed(talk); // silence follows once the fed sound runs out
    recorder_->put_bDetectSilence(com::VARIANT_TRUE);
    ASSERT_EQ(recorder_->Open(), com::S_OK);
    ASSERT_EQ(recorder_->Record(1), com::S_OK);
    const auto frames = sink_->waitFor(5); // 3 sent, a report, 80 held back, a report
    ASSERT_EQ(recorder_->Stop(), com::S_OK);
    ASSERT_GE(frames.size(), 5u);
    const std::vector<bool> kinds{frames[0].silence, frames[1].silence, frames[2].silence, frames[3].silence,
                                  frames[4].silence};
    EXPECT_EQ(kinds, (std::vector<bool>{false, false, false, true, true}));
    for (const auto& frame : frames)
        EXPECT_NE(frame.thread, std::this_thread::get_id());
}

TEST_F(WaveRecordTest, WithoutTheThreadEventsFireOnTheCreatingThread) {
    recorder_->put_bUseThread(com::VARIANT_FALSE);
    ASSERT_EQ(recorder_->Open(), com::S_OK);
    ASSERT_EQ(recorder_->Record(1), com::S_OK);
    ASSERT_TRUE(apt::Apartment::current().pumpFor(20s, [&] { return sink_->frames().size() >= 10; }));
    EXPECT_EQ(recorder_->Stop(), com::S_OK);
    for (const auto& frame : sink_->frames())
        EXPECT_EQ(frame.thread, std::this_thread::get_id());
    EXPECT_TRUE(apt::findWindow("WaveRecordWindow").alive());
}

TEST_F(WaveRecordTest, StartsAndStops200TimesWhileFramesFlow) {
    recorder_->put_lCaptureLen(16);
    recorder_->put_lSendLen(16);
    ASSERT_EQ(recorder_->Open(), com::S_OK);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(recorder_->Record(static_cast<std::int16_t>(1 + i % 2)), com::S_OK);
        if (i % 2 == 0) std::this_thread::sleep_for(3ms);
        ASSERT_EQ(recorder_->Stop(), com::S_OK);
    }
    com::VariantBool active = com::VARIANT_TRUE;
    recorder_->get_bActive(active);
    EXPECT_EQ(active, com::VARIANT_FALSE);
    EXPECT_GT(sink_->frames().size(), 0u);
}

// Holds the capture thread in DataReady until `release` is set (or a long while has passed).
class BlockingSink final : public com::Implements<_IWaveRecordEvents> {
public:
    explicit BlockingSink(std::shared_ptr<sys::Event> release) : release_(std::move(release)) {}
    com::HRESULT DataReady(const com::Variant&) override {
        entered.set();
        release_->wait(15s);
        return com::S_OK;
    }
    com::HRESULT SilenceDetected(const com::Variant&) override { return com::S_OK; }
    sys::Event entered{sys::Event::Reset::Manual};

private:
    std::shared_ptr<sys::Event> release_;
};

TEST_F(WaveRecordTest, StopLeavesACaptureThreadHeldInASinkWithWhatItUses) {
    const auto release = std::make_shared<sys::Event>(sys::Event::Reset::Manual);
    auto blocking = std::make_shared<BlockingSink>(release);
    test::AdviseEvents<_IWaveRecordEvents>(recorder_, blocking);
    ASSERT_EQ(recorder_->Open(), com::S_OK);
    ASSERT_EQ(recorder_->Record(1), com::S_OK);
    ASSERT_TRUE(blocking->entered.wait(20s));

    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(recorder_->Stop(), com::S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 10s) << "Stop gives up waiting for the sink";
    EXPECT_EQ(recorder_->Close(), com::S_OK);
    recorder_.reset();

    // The thread goes on once the sink lets it, after its owner is gone, and then lets go of
    // the sink: the sanitizers see whether it reached freed state on its way out.
    const std::weak_ptr<BlockingSink> watched = blocking;
    blocking.reset();
    release->set();
    for (int i = 0; i < 2000 && !watched.expired(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(watched.expired());
}

TEST_F(WaveRecordTest, ACaptureDeviceThatFailsEndsTheRecordingOnce) {
    std::vector<std::string> traces;
    std::mutex lock;
    sys::setTraceSink([&](std::string_view component, std::string_view text) {
        const std::lock_guard hold(lock);
        if (component == "WaveRecord") traces.emplace_back(text);
    });
    ASSERT_EQ(recorder_->Open(), com::S_OK);
    ASSERT_EQ(recorder_->Record(1), com::S_OK);
    sink_->waitFor(3);
    audio::virtualDevice("Mic")->unplug();
    com::VariantBool active = com::VARIANT_TRUE;
    for (int i = 0; i < 200 && active; ++i) {
        std::this_thread::sleep_for(10ms);
        recorder_->get_bActive(active);
    }
    EXPECT_EQ(active, com::VARIANT_FALSE);
    EXPECT_EQ(recorder_->Stop(), com::S_OK);
    EXPECT_EQ(recorder_->Close(), com::S_OK);
    sys::setTraceSink({});
    const std::lock_guard hold(lock);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0].rfind("Buffer add failure on wave record object", 0), 0u) << traces[0];
}

TEST_F(WaveRecordTest, RefusalsCarryTheirTexts) {
    const auto errorText = [] { return com::takeErrorInfo().value_or(com::ErrorInfo{}).description; };
    EXPECT_EQ(recorder_->Stop(), com::S_OK);
    EXPECT_EQ(recorder_->Record(1), com::makeHresult(0x80042005));
    EXPECT_EQ(errorText(), "Buffer prepare failure on wave object");

    audio::virtualDevice("Mic")->failOpens(audio::Result::Allocated);
    EXPECT_EQ(recorder_->Open(), com::makeHresult(0x80042004));
    EXPECT_EQ(errorText(), "Open failure on wave record object");
    audio::virtualDevice("Mic")->failOpens(audio::Result::Ok);

    ASSERT_EQ(recorder_->Open(), com::S_OK);
    for (const auto& [capture, send] : {std::pair{1, 192}, {192, 0}}) {
        recorder_->put_lCaptureLen(capture);
        recorder_->put_lSendLen(send);
        EXPECT_EQ(recorder_->Record(1), kWaveGeneralError);
        EXPECT_FALSE(errorText().empty());
    }
    com::Variant adapters;
    ASSERT_EQ(recorder_->get_varAdapters(adapters), com::S_OK);
    ASSERT_TRUE(adapters.isArray());
    EXPECT_EQ(adapters.get<com::SafeArray>()->texts(), std::vector<std::string>{"Mic"});
}

TEST_F(WaveRecordTest, WithoutAMixerTheVolumeIsLeftAloneAndTheCallSucceeds) {
    ASSERT_EQ(recorder_->Open(), com::S_OK); // no microphone set-up, so no mixer
    std::int16_t volume = 77;
    EXPECT_EQ(recorder_->get_nVolume(volume), com::S_OK);
    EXPECT_EQ(volume, 77);
    EXPECT_EQ(recorder_->put_nVolume(5), com::S_OK);
}

} // namespace
} // namespace kez::sonwell
