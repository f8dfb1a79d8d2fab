// WaveRecord through a real sound server: a sox-made tone played into the private PulseAudio
// server's null sink is recorded from its monitor, with the microphone set up on the server's
// mixer as the microphone test does, and found in the encoded frames.
#include <gtest/gtest.h>

#include "audio_server.h"
#include "privileged.h"
#include "record_test_support.h"
#include "signal_analysis.h"
#include "sonwell/mulaw.h"
#include "test_support.h"
#include "wave_record_object.h"

namespace kez::sonwell {
namespace {

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

    std::vector<std::int16_t> samples;
    for (const auto& frame : collector->frames()) {
        std::vector<std::int16_t> expanded(frame.bytes.size());
        MuLawExpand(expanded, frame.bytes);
        samples.insert(samples.end(), expanded.begin(), expanded.end());
    }
    ASSERT_GT(samples.size(), 8000u);
    // The loudest second holds the tone: far above every other pitch in the band.
    const auto loudest = std::max_element(samples.begin(), samples.end());
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(loudest - samples.begin()), samples.size() - 4000);
    const auto window = std::span(samples).subspan(at > 2000 ? at - 2000 : 0, 4000);
    const double tone = kez::test::GoertzelPower(window, 1000);
    EXPECT_GT(tone, 1000.0 * 1000.0);
    for (const double other : {440.0, 700.0, 1500.0, 2500.0})
        EXPECT_GT(tone, 100 * kez::test::GoertzelPower(window, other)) << other;
}

} // namespace
} // namespace kez::sonwell
