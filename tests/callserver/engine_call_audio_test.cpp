// Calls end to end: the engine with the real Linkor, Ralnet and Sonwell, playing and recording
// through a private PulseAudio server, against the simulated call server on veth (Ethernet and
// UDP). The far end's audio (a sox-made file the simulator sends) is recorded from the speaker
// sink's monitor; the set's microphone is a second null sink's monitor, fed a sox-made file,
// and what the set sends is decoded by the simulator with the standard library's codecs. Both
// are fitted to the tones they were made of: what is left over is the codec's error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

#include "audio_server.h"
#include "callserver_fixture.h"
#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/net/udp_socket.h"
#include "linkor/server.h"
#include "privileged.h"
#include "real_sonwell.h"
#include "signal_analysis.h"
#include "temp_dir.h"

namespace kez::test {
namespace {

using corvane::IEngine;
using corvane::test::byteArray;

const std::vector<double> kFarTones{500, 1300};
const std::vector<double> kMicTones{700, 1900};
constexpr const char* kMicSink = "kezmic";

std::vector<std::int16_t> readPcm(const std::filesystem::path& file) {
    const auto bytes = readBytes(file);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

// The best fit of `tones` over the quarter-second windows of `samples` that sound.
SinusoidFit bestFit(const std::vector<std::int16_t>& samples, const std::vector<double>& tones) {
    constexpr std::size_t kWindow = 2000, kStep = 500;
    SinusoidFit best{{}, {}, {}, 1.0};
    for (std::size_t at = 0; at + kWindow <= samples.size(); at += kStep) {
        const std::span<const std::int16_t> window(samples.data() + at, kWindow);
        double energy = 0;
        for (const std::int16_t s : window)
            energy += double(s) * s;
        if (std::sqrt(energy / kWindow) < 500) continue;
        const SinusoidFit fit = FitSinusoids(window, tones);
        if (fit.residualShare < best.residualShare) best = fit;
    }
    return best;
}

// The tones, in equal parts, and nothing much else.
void expectTones(const std::vector<std::int16_t>& samples, const std::vector<double>& tones, double codecError) {
    const SinusoidFit fit = bestFit(samples, tones);
    ASSERT_EQ(fit.amplitudes.size(), tones.size()) << "nothing sounded in " << samples.size() << " samples";
    EXPECT_LT(fit.residualShare, codecError);
    EXPECT_NEAR(fit.amplitudes[0] / fit.amplitudes[1], 1.0, 0.2);
}

class CallAudio : public CallServerOnVethTest {
protected:
    void SetUp() override {
        CallServerOnVethTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!pulse_.start()) KEZ_SKIP_OR_FAIL("PulseAudio: " + pulse_.error());
        ASSERT_TRUE(pulse_.pactl({"load-module", "module-null-sink", std::string("sink_name=") + kMicSink}).ok());
        ASSERT_TRUE(pulse_.pactl({"set-default-source", std::string(kMicSink) + ".monitor"}).ok());
        com::ClassRegistry::registerInProcess(linkor::server());
        sonwell_.emplace();
        tone(far_, kFarTones, 3);
        tone(mic_, kMicTones, 4);
    }
    void TearDown() override {
        sonwell_.reset();
        com::ClassRegistry::unregisterInProcess(linkor::server());
        CallServerOnVethTest::TearDown();
    }

    static void tone(const std::filesystem::path& file, const std::vector<double>& tones, int seconds) {
        ASSERT_EQ(runCommand({"sox",    "-D",
                              "-n",     "-r",
                              "8000",   "-c",
                              "1",      "-b",
                              "16",     "-e",
                              "signed", "-t",
                              "raw",    file.string(),
                              "synth",  std::to_string(seconds),
                              "sine",   std::to_string(tones[0]),
                              "sine",   std::to_string(tones[1]),
                              "vol",    "0.4"})
                      .exitCode,
                  0);
    }

    void command(const std::string& action) {
        ASSERT_TRUE(server_.sendLine(action));
        ASSERT_TRUE(awaitLine({"kezsim: sent " + action})) << seen();
    }

    // Its line comes before the action's own.
    void endRecording() {
        command("record-end");
        EXPECT_NE(seen().find("kezsim: recorded"), std::string::npos) << seen();
        server_.forget();
    }

    // The engine bound to the call server over `road` and taken into service.
    void inService(const std::string& road, const std::function<void(IEngine&)>& exercise) {
        startServerBeyondVeth(road, {"serve", "--show", "--commands"});
        inSetSpace(
            [&](IEngine& engine) {
                if (road == "udp") {
                    engine.put_varVuruvIP(byteArray({198, 18, 0, 2}));
                    engine.put_varLocalIP(byteArray({198, 18, 0, 1}));
                } else {
                    engine.put_varVuruvMac(byteArray(serverMac_));
                }
            },
            [&](IEngine& engine) {
                ASSERT_TRUE(awaitLine({"in service"}, 30s)) << seen();
                exercise(engine);
            });
    }

    // Far-end audio into the set, the microphone's out of it, at once; both recorded.
    void talkBothWays(int format) {
        command("record " + (dir_ / "sent.raw").string());
        ChildProcess speaker, microphone;
        ASSERT_TRUE(speaker.start({"sh", "-c",
                                   "exec parec --raw --rate=8000 --channels=1 --format=s16le --device=" +
                                       std::string(PulseServer::kMonitor) + " > " + (dir_ / "played.raw").string()}));
        ASSERT_TRUE(microphone.start({"paplay", "--raw", "--rate=8000", "--channels=1", "--format=s16le",
                                      std::string("--device=") + kMicSink, mic_.string()}));
        command("stream " + far_.string() + " " + std::to_string(format));
        EXPECT_TRUE(awaitLine({"kezsim: streamed"}, 30s)) << seen();
        EXPECT_TRUE(pumpUntil([&] { return microphone.wait(0ms).has_value(); }, 30s));
        endRecording();
    }

    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            awaitLine({"\x01"}, 50ms);
        }
        return true;
    }

    PulseServer pulse_;
    std::optional<corvane::test::RealSonwell> sonwell_;
    TempDir dir_{"kez-call"};
    const std::filesystem::path far_ = dir_ / "far.raw", mic_ = dir_ / "mic.raw";
};

struct Road {
    const char* road;
    int format;
    double codecError;
};

class CallAudioBothWays : public CallAudio, public ::testing::WithParamInterface<Road> {};

TEST_P(CallAudioBothWays, FarEndAndMicrophoneArriveWithinTheCodecsError) {
    const Road r = GetParam();
    inService(r.road, [&](IEngine&) {
        command("call 1 " + std::to_string(r.format) + " 3 4");
        talkBothWays(r.format);
    });
    expectTones(readPcm(dir_ / "played.raw"), kFarTones, r.codecError);
    expectTones(readPcm(dir_ / "sent.raw"), kMicTones, r.codecError);
    EXPECT_EQ(seen().find("field check"), std::string::npos) << seen();
}

INSTANTIATE_TEST_SUITE_P(Roads, CallAudioBothWays, ::testing::Values(Road{"eth", 1, 0.01}, Road{"udp", 3, 0.05}),
                         [](const auto& info) {
                             return std::string(info.param.road) + (info.param.format == 1 ? "MuLaw" : "Ima");
                         });

TEST_F(CallAudio, AReliableStreamIsPacedByEvents8To10AndTheSetsGoesInItsFramesPerPacket) {
    inService("eth", [&](IEngine&) {
        command("call 2 3 2 4");
        command("reliable 3 60");
        EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=8"})) << seen();
        EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=9"})) << seen();
        EXPECT_TRUE(awaitLine({"kezsim: reliable stream of 60 frames done"}, 30s)) << seen();
        EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=10", "nEventInfo1=60"}, 30s)) << seen();
        for (const int perPacket : {1, 4}) {
            command("call 2 3 1 " + std::to_string(perPacket));
            command("record " + (dir_ / "sent.raw").string());
            ChildProcess microphone;
            ASSERT_TRUE(microphone.start({"paplay", "--raw", "--rate=8000", "--channels=1", "--format=s16le",
                                          std::string("--device=") + kMicSink, mic_.string()}));
            EXPECT_TRUE(awaitLine({"got ReliableAudioMsg", "nFrames=" + std::to_string(perPacket)})) << seen();
            EXPECT_TRUE(pumpUntil([&] { return microphone.wait(0ms).has_value(); }, 30s));
            endRecording();
            command("hangup");
            // The end of sending: what was collected, then event 10 to the party.
            EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=10", "nEventInfo1=43690"})) << seen();
            expectTones(readPcm(dir_ / "sent.raw"), kMicTones, 0.05);
        }
    });
    EXPECT_EQ(seen().find("field check"), std::string::npos) << seen();
}

// The owner's answer to a reset, as the programs give it: Stop, then Start.
TEST_F(CallAudio, AResetDuringACallRecoversTwoWayAudio) {
    const auto events = std::make_shared<corvane::test::EventRecorder>();
    startServerBeyondVeth("eth", {"serve", "--show", "--commands"});
    inSetSpace(
        [&](IEngine& engine) {
            advise(engine, events);
            events->onReset = [&engine] {
                engine.Stop();
                engine.Start();
            };
            engine.put_varVuruvMac(byteArray(serverMac_));
        },
        [&](IEngine&) {
            ASSERT_TRUE(awaitLine({"in service"}, 30s)) << seen();
            command("call 1 1 3 4");
            EXPECT_TRUE(awaitLine({"got RealTimeAudioMsg"})) << seen();
            command("command 0x1001 0");
            EXPECT_TRUE(awaitLine({"restarted"}, 30s)) << seen();
            ASSERT_TRUE(awaitLine({"in service"}, 30s)) << seen();
            command("call 1 1 3 4"); // the same call again
            talkBothWays(1);
        });
    expectTones(readPcm(dir_ / "played.raw"), kFarTones, 0.01);
    expectTones(readPcm(dir_ / "sent.raw"), kMicTones, 0.01);
}

class CallGroups : public CallAudio, public ::testing::WithParamInterface<const char*> {
protected:
    bool macJoined(const std::string& mac) const {
        return runCommand(setSpace_.exec({"ip", "maddr", "show", "dev", pair_->firstName()})).out.find(mac) !=
               std::string::npos;
    }
    // The kernel counts the sockets that take every multicast frame.
    bool allMulticast() const {
        const std::string link =
            runCommand(setSpace_.exec({"ip", "-d", "link", "show", "dev", pair_->firstName()})).out;
        const auto at = link.find(" allmulti ");
        return at != std::string::npos && link.compare(at, 12, " allmulti 0 ") != 0;
    }
};

// A conference group by its MAC on Ethernet and by its IP over UDP; a page sets the adapter
// to take every multicast frame on Ethernet, and joins its IP group over UDP.
TEST_P(CallGroups, ConferenceAndPageGroupsAreJoinedOnTheWireAndLeftAgain) {
    const std::string road = GetParam();
    const bool udp = road == "udp";
    const std::string conferenceMac = "03:5a:4e:43:46:01";
    const net::Ipv4Address conferenceIp{239, 90, 67, 1}, pageIp{239, 90, 80, 7};
    const auto conferenceJoined = [&] { return udp ? setSpace_.joinedGroup(conferenceIp) : macJoined(conferenceMac); };
    const auto paged = [&] { return udp ? setSpace_.joinedGroup(pageIp) : allMulticast(); };
    const auto joined = [&](bool wanted) { return pumpUntil([&] { return conferenceJoined() == wanted; }, 10s); };
    const auto paging = [&](bool wanted) { return pumpUntil([&] { return paged() == wanted; }, 10s); };
    inService(road, [&](IEngine&) {
        EXPECT_FALSE(conferenceJoined());
        command("conference 1 1 " + conferenceMac + (udp ? " 239.90.67.1" : " -"));
        EXPECT_TRUE(joined(true));
        EXPECT_TRUE(awaitLine({"got RealTimeAudioMsg", udp ? "by udp" : "to " + conferenceMac})) << seen();
        command("hangup");
        EXPECT_TRUE(joined(false));
        EXPECT_FALSE(paged());
        command("page 03:5a:4e:50:47:07 239.90.80.7");
        EXPECT_TRUE(paging(true)) << seen();
        command("page-end");
        EXPECT_TRUE(paging(false));
    });
    EXPECT_EQ(seen().find("field check"), std::string::npos) << seen();
}

INSTANTIATE_TEST_SUITE_P(Roads, CallGroups, ::testing::Values("eth", "udp"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace kez::test
