// The program with its real engine against the simulated call server (kezsim serve --show) on the virtual wire,
// typed at by real X input: on the simple form a key reaches the call server; on the face, a call to the echo line
// that brings the microphone's tone back through the kit's PulseAudio, and a digit dialled with the key click
// chosen instead of DTMF tones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <ranges>
#include <span>

#include "audio_server.h"
#include "eventually.h"
#include "privileged.h"
#include "program_kit.h"
#include "signal_analysis.h"
#include "simulated_call_server.h"
#include "temp_dir.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;

class ProgramOnAWire : public ::testing::Test {
protected:
    // The call server on the world's wire, the set bound to it from the start: no wait for a blind binding.
    void startServer() {
        ASSERT_TRUE(server_.start(world_.wire())) << server_.seen();
        world_.set("Communications", "VuruvMac", kez::test::SimulatedCallServer::kMac);
    }
    // The window, once it shows the call server's display; empty when it never did.
    std::string inService() {
        const auto window = world_.awaitWindow();
        const auto shown = [&] {
            const auto log = world_.world().logTexts();
            return std::find(log.begin(), log.end(), "moEngine_DisplayUpdate: Ext 201") != log.end();
        };
        return !window.empty() && kez::test::eventually(shown, 60s) ? window : std::string();
    }
    // 5 typed on the window in service.
    void typeFive() {
        const auto window = inService();
        ASSERT_FALSE(window.empty()) << server_.seen();
        world_.x({"xdotool", "windowactivate", "--sync", window, "key", "5"});
        EXPECT_TRUE(server_.awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=5"})) << server_.seen();
    }

    // Records what the speaker plays from now on (the sink's monitor, 8 kHz mono).
    bool recordSpeaker() {
        return speaker_.start({"sh", "-c",
                               "exec parec --raw --rate=8000 --channels=1 --format=s16le --device=" +
                                   std::string(kez::test::PulseServer::kMonitor) + " > " + played_.string()});
    }
    // What it recorded, once that is `count` samples or more; empty when that did not come within the limit.
    std::vector<std::int16_t> played(std::size_t count) const {
        std::vector<std::int16_t> samples;
        const auto enough = [&] {
            const auto bytes = kez::test::readBytes(played_);
            samples.assign(reinterpret_cast<const std::int16_t*>(bytes.data()),
                           reinterpret_cast<const std::int16_t*>(bytes.data()) + bytes.size() / 2);
            return samples.size() >= count;
        };
        return kez::test::eventually(enough, 30s) ? samples : std::vector<std::int16_t>{};
    }

    ProgramWorld world_{false};
    const kez::test::TempDir recordings_{"kez-speaker"};
    const std::filesystem::path played_ = recordings_.path() / "played.raw";
    kez::test::ChildProcess speaker_;
    kez::test::SimulatedCallServer server_;
};

TEST_F(ProgramOnAWire, AKeyTypedOnTheVirtualWireReachesTheCallServer) {
    world_.set("UI", "Type", "0");
    startServer();
    ASSERT_TRUE(world_.start());
    typeFive();
}

TEST_F(ProgramOnAWire, TheEchoLineDialledOnTheFaceBringsTheMicrophonesToneBackToTheSpeaker) {
    kez::test::PulseServer pulse;
    if (!pulse.start()) KEZ_SKIP_OR_FAIL("PulseAudio: " + pulse.error());
    constexpr const char* kMicrophone = "kezmic";
    ASSERT_TRUE(pulse.pactl({"load-module", "module-null-sink", std::string("sink_name=") + kMicrophone}).ok());
    ASSERT_TRUE(pulse.pactl({"set-default-source", std::string(kMicrophone) + ".monitor"}).ok());
    const kez::test::TempDir dir("kez-echo");
    const auto tone = dir.path() / "tone.raw";
    ASSERT_TRUE(kez::test::runCommand({"sox", "-n", "-r", "8000", "-c", "1", "-b", "16", "-e", "signed", "-t", "raw",
                                       tone.string(), "synth", "20", "sine", "1000", "vol", "0.4"})
                    .ok());
    startServer();
    ASSERT_TRUE(world_.start({}, {"KEZ_AUDIO_DEVICES=pulse"}));
    const auto window = inService();
    ASSERT_FALSE(window.empty()) << server_.seen();

    kez::test::ChildProcess microphone;
    ASSERT_TRUE(microphone.start({"paplay", "--raw", "--rate=8000", "--channels=1", "--format=s16le",
                                  std::string("--device=") + kMicrophone, tone.string()}));
    world_.x({"xdotool", "windowactivate", "--sync", window, "key", "a"});
    ASSERT_TRUE(server_.awaitLine({"dial tone"})) << server_.seen();
    world_.x({"xdotool", "key", "9"});
    ASSERT_TRUE(server_.awaitLine({"echo line"})) << server_.seen();
    // What the speaker plays once the echo has had time to come back: the third second from here.
    ASSERT_TRUE(recordSpeaker());
    const auto samples = played(3 * 8000);
    ASSERT_FALSE(samples.empty());
    const std::span<const std::int16_t> second(samples.data() + 2 * 8000, 8000);
    EXPECT_GT(kez::test::GoertzelPower(second, 1000), 100 * kez::test::GoertzelPower(second, 1400))
        << "the microphone's 1 kHz, back from the echo line";
    EXPECT_GT(kez::test::GoertzelPower(second, 1000), 1e5) << "loud enough to be the tone";
}

TEST_F(ProgramOnAWire, WithTheClickChosenADigitDialledReachesTheSpeakerAsOneShortClick) {
    kez::test::PulseServer pulse;
    if (!pulse.start()) KEZ_SKIP_OR_FAIL("PulseAudio: " + pulse.error());
    world_.set("Audio", "ClickDTMF", "True");
    startServer();
    ASSERT_TRUE(world_.start({}, {"KEZ_AUDIO_DEVICES=pulse"}));
    const auto window = inService();
    ASSERT_FALSE(window.empty()) << server_.seen();
    // Off hook, then 2: the dial tone ends, and as "20" still leads to an extension the 0 clicks into silence.
    world_.x({"xdotool", "windowactivate", "--sync", window, "key", "a"});
    ASSERT_TRUE(server_.awaitLine({"dial tone"})) << server_.seen();
    world_.x({"xdotool", "key", "2"});
    ASSERT_TRUE(server_.awaitLine({"key 2 while dialing"})) << server_.seen();
    // A second of the line before the key, so whatever came before has played out.
    constexpr std::size_t kSecond = 8000;
    ASSERT_TRUE(recordSpeaker());
    ASSERT_FALSE(played(kSecond).empty());
    world_.x({"xdotool", "key", "0"});
    ASSERT_TRUE(server_.awaitLine({"key 0 while dialing"})) << server_.seen();
    const auto samples = played(4 * kSecond);
    ASSERT_FALSE(samples.empty());
    const std::span<const std::int16_t> after(samples.begin() + kSecond, samples.begin() + 4 * kSecond);
    const auto loudest = std::ranges::max(after | std::views::transform([](std::int16_t s) { return std::abs(s); }));
    ASSERT_GT(loudest, 4000) << "a click, not silence";
    // The click: where it stands above a twentieth of its peak, and its energy there against all that played. The
    // engine plays a file's data with one repeat before it removes the stream: up to twice the file's 12 ms.
    const auto audible = [&](std::int16_t s) { return 20 * std::abs(s) >= loudest; };
    const auto first = std::ranges::find_if(after, audible);
    const auto last = std::ranges::find_if(after | std::views::reverse, audible).base();
    const auto energy = [](auto begin, auto end) {
        return std::accumulate(begin, end, 0.0, [](double sum, std::int16_t s) { return sum + double(s) * s; });
    };
    const auto lengthMs = static_cast<double>(last - first) * 1000 / kSecond;
    EXPECT_GE(lengthMs, 2) << "a click, not a single spike";
    EXPECT_LE(lengthMs, 30) << "a click, not a tone";
    EXPECT_GT(energy(first, last), 1e8);
    EXPECT_GT(energy(first, last), 0.95 * energy(after.begin(), after.end())) << "one click and nothing more";
}

} // namespace
} // namespace kez::ombrel::test
