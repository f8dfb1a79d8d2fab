// The wizard tried as a new user tries it: fresh hives with only the set's servers registered (as the installer
// leaves them), the real wizard program and engine in a private namespace on veth, the simulated call server
// (kezsim serve) across the link, the kit's PulseAudio for the sound (a sine for the microphone), real X input by
// xdotool. The pages are walked with Next, the two tone tests and the microphone test run, the call server is found
// and selected, and Finish with the launch box checked starts the real ombrel, which reads what the wizard stored
// and is taken into service. Screenshots go to
// <build>/wizard/first-run.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <functional>
#include <span>

#include "audio_server.h"
#include "eventually.h"
#include "net_namespace.h"
#include "ombrel_test_env.h"
#include "privileged.h"
#include "process.h"
#include "signal_analysis.h"
#include "simulated_call_server.h"
#include "x_server.h"

namespace kez::wizard::test {
namespace {

namespace fs = std::filesystem;
using kez::test::ChildProcess;
using namespace std::chrono_literals;

constexpr auto kLimit = 60s;
const std::string kWizardCaption = "^KEZ Ombrel Configuration Wizard$";
const std::string kDiscoveryCaption = "^Auto discover KEZ System\\.\\.\\.$";
const std::string kOmbrelCaption = "^KEZ Ombrel \\(TM\\)";
const std::string kMicrophoneCaption = "^Microphone Test$";
constexpr int kMicrophoneHz = 1000;
constexpr std::size_t kSecond = 8000; // samples

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The microphone's pitch in the loudest second the speaker played: how long the loop ran before the user's
// Stop test is the desktop's affair under load, so the whole recording would weigh it by that.
double loudestSecondOfMicrophone(const std::vector<std::int16_t>& heard) {
    double loudest = 0;
    for (std::size_t start = 0; start + kSecond <= heard.size(); start += kSecond / 4) {
        const std::span<const std::int16_t> second(heard.data() + start, kSecond);
        loudest = std::max(loudest, kez::test::GoertzelPower(second, kMicrophoneHz));
    }
    return loudest;
}

class FirstRun : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (const auto problem = link_.problem()) KEZ_SKIP_OR_FAIL(*problem);
        if (!pulse_.start()) KEZ_SKIP_OR_FAIL("PulseAudio: " + pulse_.error());
        for (const char* server : {LINKOR_LIBRARY, SONWELL_LIBRARY, CORVANE_LIBRARY}) {
            const auto registered = kez::test::runCommand({KEZREGSVR_PATH, server});
            ASSERT_TRUE(registered.ok()) << registered.err;
        }
        fs::remove_all(shots_);
        fs::create_directories(shots_);
    }
    void TearDown() override {
        if (ombrelPid_ > 0) ::kill(ombrelPid_, SIGTERM);
        EXPECT_TRUE(kez::test::eventually([&] { return ombrelPid_ <= 0 || !fs::exists(proc(ombrelPid_)); }, kLimit));
    }

    static fs::path proc(pid_t pid) { return "/proc/" + std::to_string(pid); }
    const kez::test::NetNamespace& serverSpace() const { return link_.first(); }
    const kez::test::NetNamespace& setSpace() const { return link_.second(); }

    std::string window(const std::string& pattern) const { return x_.awaitWindow(pattern, kLimit); }
    bool gone(const std::string& pattern) const { return x_.awaitNoWindow(pattern, kLimit); }
    void press(const std::string& pattern, const std::string& key) const {
        const auto id = window(pattern);
        ASSERT_FALSE(id.empty()) << pattern;
        EXPECT_TRUE(x_.pressKey(id, key));
    }
    // The window as it stands once it has settled and differs from `unlike`; written to the screenshot folder.
    std::string settled(const std::string& id, const std::string& name, const std::string& unlike = {}) const {
        auto picture = x_.settledPicture(id, shots_ / (name + ".png"), unlike, kLimit);
        EXPECT_FALSE(picture.empty()) << name;
        return picture;
    }

    // The streams the engine plays into the kit's sink, beside the kit's own silent one.
    std::size_t engineStreams() const {
        return kez::test::linesOf(pulse_.pactl({"list", "short", "sink-inputs"}).out).size() - 1;
    }
    // What the speaker played while `act` ran.
    std::vector<std::int16_t> heardDuring(const std::function<void(const kez::test::SourceRecording&)>& act) const {
        kez::test::SourceRecording speaker(kez::test::PulseServer::kMonitor);
        EXPECT_TRUE(speaker.start());
        act(speaker);
        return speaker.stop();
    }
    // Presses a tone test's button and waits for the test's stream to come and go.
    std::vector<std::int16_t> toneTest(const std::string& key) const {
        return heardDuring([&](const auto&) {
            press(kWizardCaption, key);
            EXPECT_TRUE(kez::test::eventually([&] { return engineStreams() > 0; }, kLimit)) << key;
            EXPECT_TRUE(kez::test::eventually([&] { return engineStreams() == 0; }, kLimit)) << key;
        });
    }

    kez::test::VethLink link_{"wzf"};
    ombrel::test::OmbrelWorld world_;
    kez::test::XServer x_{true};
    kez::test::PulseServer pulse_{kez::test::SineMicrophone{kMicrophoneHz}};
    kez::test::SimulatedCallServer server_;
    fs::path shots_ = fs::path(KEZ_BINARY_DIR) / "wizard" / "first-run";
    pid_t ombrelPid_ = 0;
};

TEST_F(FirstRun, TheWalkThroughThePagesEndsWithOmbrelInServiceOnTheCallServerItFound) {
    ChildProcess wizard;
    ASSERT_TRUE(wizard.start(setSpace().exec({WIZARD_PATH, "INTERNAL"}), x_.environment()));
    const auto id = window(kWizardCaption);
    ASSERT_FALSE(id.empty());
    std::string page = settled(id, "0-welcome");
    press(kWizardCaption, "alt+n");
    page = settled(id, "1-audio", page);
    // Each tone test plays the dial tone, not what the microphone hears.
    for (const char* key : {"alt+m", "alt+d"}) {
        const auto heard = toneTest(key);
        const double low = kez::test::GoertzelPower(heard, 350), high = kez::test::GoertzelPower(heard, 440);
        EXPECT_GT(std::min(low, high), 1e5) << key;
        EXPECT_GT(std::min(low, high), 100 * kez::test::GoertzelPower(heard, kMicrophoneHz)) << key;
    }

    press(kWizardCaption, "alt+n");
    page = settled(id, "2-mic", page);
    // The microphone test brings the microphone to the speaker until Stop test.
    const auto looped = heardDuring([&](const kez::test::SourceRecording& speaker) {
        press(kWizardCaption, "alt+s");
        const auto box = window(kMicrophoneCaption);
        ASSERT_FALSE(box.empty());
        const std::size_t after = speaker.samples() + 3 * kSecond;
        EXPECT_TRUE(kez::test::eventually([&] { return speaker.samples() >= after; }, kLimit));
        EXPECT_TRUE(x_.grab(shots_ / "2-mic-test.png"));
        press(kMicrophoneCaption, "Return");
        EXPECT_TRUE(gone(kMicrophoneCaption));
    });
    EXPECT_GT(loudestSecondOfMicrophone(looped), 1e5);
    EXPECT_TRUE(kez::test::eventually([&] { return engineStreams() == 0; }, kLimit));

    press(kWizardCaption, "alt+n");
    page = settled(id, "3-mac-info", page);

    press(kWizardCaption, "alt+o");
    const auto discovery = window(kDiscoveryCaption);
    ASSERT_FALSE(discovery.empty());
    // The call server comes up while the dialog listens, so the empty list is seen first.
    const auto empty = settled(discovery, "3-discovery-listening");
    const auto serverMac = kez::test::linkAddress(serverSpace(), link_.pair().firstName()).value_or("");
    ASSERT_TRUE(server_.start("eth:" + link_.pair().firstName(), serverMac, kez::test::SimulatedCallServer::serving(),
                              serverSpace().exec({})))
        << server_.seen();
    settled(discovery, "3-discovery-heard", empty);
    press(kDiscoveryCaption, "Down");
    press(kDiscoveryCaption, "alt+s");
    ASSERT_TRUE(gone(kDiscoveryCaption));
    page = settled(id, "3-mac-info-selected", page);

    for (const char* name : {"4-ip-info", "5-sarvik", "6-country", "7-done"}) {
        press(kWizardCaption, "alt+n");
        page = settled(id, name, page);
    }
    // The launch box is checked for a new installation: Finish as it stands.
    press(kWizardCaption, "alt+f");
    ASSERT_EQ(wizard.wait(kLimit), 0);

    const auto stored = world_.exportSettings("HKLM");
    EXPECT_NE(stored.find("\"VuruvMac\"=sz:\"" + upper(serverMac) + "\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"FinishCheckBox\"=sz:\"True\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"AutoLaunch\"=sz:\"False\""), std::string::npos) << stored;

    const auto ombrel = window(kOmbrelCaption);
    ASSERT_FALSE(ombrel.empty());
    ombrelPid_ = std::stoi(x_.run({"xdotool", "getwindowpid", ombrel}).out);
    // Taken into service, the set reports its status as a set in service.
    EXPECT_TRUE(server_.awaitLine({"ext 201", "in service"})) << server_.seen();
    EXPECT_TRUE(server_.awaitLine({"got StatusMsg", "nDeviceHandle=1 nDiscoveryState=2"})) << server_.seen();
    EXPECT_TRUE(kez::test::eventually(
        [&] {
            const auto log = world_.logTexts();
            return std::find(log.begin(), log.end(), "moEngine_DisplayUpdate: Ext 201") != log.end();
        },
        kLimit))
        << server_.seen();
    EXPECT_TRUE(x_.grab(shots_ / "8-ombrel.png"));
    EXPECT_TRUE(world_.boxLog().empty());
}

} // namespace
} // namespace kez::wizard::test
