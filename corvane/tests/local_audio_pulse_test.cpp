// The wizard's audio tests on an engine that was never started, through Sonwell's own objects
// and ALSA to the private PulseAudio server: the microphone test plays back what reaches its
// microphone (a second null sink, whose monitor is the default source) on the speaker sink,
// and TestAudio records in both formats while dial tone sounds, the caller's window messages
// flowing meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "audio_server.h"
#include "corvane/engine.h"
#include "corvane/server.h"
#include "eventually.h"
#include "kez/apt/apartment.h"
#include "kez/apt/hidden_window.h"
#include "privileged.h"
#include "process.h"
#include "real_sonwell.h"
#include "signal_analysis.h"
#include "temp_dir.h"

namespace kez::corvane::test {
namespace {

using kez::test::GoertzelPower;
constexpr const char* kMicrophone = "kezmic";

// Some half second in which each of `tones` is loud and stands far above `other`. A window, not
// all of it: a mixer running late on a loaded machine plays some buffers short, and so higher.
bool heard(const std::vector<std::int16_t>& samples, const std::vector<double>& tones, double other) {
    for (std::size_t at = 0; at + 4000 <= samples.size(); at += 2000) {
        const auto window = std::span(samples).subspan(at, 4000);
        if (std::all_of(tones.begin(), tones.end(), [&](double tone) {
                const double power = GoertzelPower(window, tone);
                return power > 400.0 * 400.0 && power > 100 * GoertzelPower(window, other);
            }))
            return true;
    }
    return false;
}

class LocalAudioThroughPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.start()) KEZ_SKIP_OR_FAIL(server_.error());
        com::ClassRegistry::registerInProcess(server());
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEngine, engine_), com::S_OK);
    }
    void TearDown() override {
        engine_.reset();
        com::ClassRegistry::unregisterInProcess(server());
    }

    kez::test::PulseServer server_;
    RealSonwell sonwell_;
    com::Ptr<IEngine> engine_;
};

TEST_F(LocalAudioThroughPulse, TheMicrophoneTestPlaysTheMicrophoneBackOnTheSpeaker) {
    ASSERT_TRUE(server_.pactl({"load-module", "module-null-sink", std::string("sink_name=") + kMicrophone}).ok());
    ASSERT_TRUE(server_.pactl({"set-default-source", std::string(kMicrophone) + ".monitor"}).ok());
    const kez::test::TempDir dir;
    ASSERT_TRUE(kez::test::runCommand({"sox", "-D", "-n", "-r", "8000", "-c", "1", "-b", "16", dir / "tone.wav",
                                       "synth", "2", "sine", "1000", "vol", "0.5"})
                    .ok());
    kez::test::SourceRecording speaker(kez::test::PulseServer::kMonitor);
    ASSERT_TRUE(speaker.start());

    ASSERT_EQ(engine_->StartMikeTest(), com::S_OK);
    ASSERT_TRUE(kez::test::runCommand({"paplay", std::string("--device=") + kMicrophone, dir / "tone.wav"}).ok());
    const std::size_t after = speaker.samples() + 8000;
    EXPECT_TRUE(kez::test::eventually([&] { return speaker.samples() >= after; })) << "a second more";
    EXPECT_EQ(engine_->StopMikeTest(), com::S_OK);
    EXPECT_TRUE(heard(speaker.stop(), {1000}, 440));
}

TEST_F(LocalAudioThroughPulse, TestAudioRecordsInBothFormatsWhileDialToneSoundsAndTheWindowPumps) {
    kez::test::SourceRecording speaker(kez::test::PulseServer::kMonitor);
    ASSERT_TRUE(speaker.start());
    std::vector<std::string> recordings;
    apt::HiddenWindow owner("Wizard", [&](apt::Message&) {
        recordings.push_back(server_.pactl({"list", "short", "source-outputs"}).out);
        return apt::Result{0};
    });
    for (const std::int16_t format : {1, 3}) {
        recordings.clear();
        ASSERT_TRUE(owner.handle().post({apt::WM_USER, 0, 0, {}}));
        EXPECT_EQ(engine_->TestAudio(0, format, 1500), com::S_OK) << format;
        ASSERT_EQ(recordings.size(), 1u) << "the owner's message came while the test ran";
        EXPECT_EQ(kez::test::linesOf(recordings[0]).size(), 2u) << "parec and the test record: " << recordings[0];
    }
    EXPECT_TRUE(heard(speaker.stop(), {350, 440}, 1000)) << "dial tone";
}

} // namespace
} // namespace kez::corvane::test
