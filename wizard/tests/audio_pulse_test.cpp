// The wizard's audio pages on the real engine, made from the registered servers, through ALSA to the kit's
// private PulseAudio server: a null sink whose monitor parec records, and a microphone that hears a steady
// 1 kHz sine. sox measures what the speaker played.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <map>
#include <span>

#include "audio_buffer_form.h"
#include "audio_server.h"
#include "eventually.h"
#include "kez/audio/devices.h"
#include "kez/ui/message_boxes.h"
#include "modal_dialog.h"
#include "net_namespace.h"
#include "privileged.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

using namespace std::chrono_literals;

constexpr int kMicrophoneHz = 1000;
constexpr std::size_t kSecond = 8000; // samples

// What sox's stat tells of a recording after `effects`, by name: "Length (seconds)", "RMS amplitude", ...
std::map<std::string, double> soxStat(const std::filesystem::path& raw, std::vector<std::string> effects) {
    std::vector<std::string> argv{"sox", "-t", "raw", "-r", "8000", "-e", "signed", "-b", "16", "-c", "1", raw, "-n"};
    argv.insert(argv.end(), effects.begin(), effects.end());
    argv.push_back("stat");
    const auto run = kez::test::runCommand(argv);
    EXPECT_TRUE(run.ok()) << run.err;
    std::map<std::string, double> figures;
    for (const auto& line : kez::test::linesOf(run.err)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name;
        for (const char c : line.substr(0, colon))
            if (c != ' ' || (!name.empty() && name.back() != ' ')) name += c;
        figures[name] = std::atof(line.c_str() + colon + 1);
    }
    return figures;
}

double rmsAround(const std::filesystem::path& raw, int hertz) {
    return soxStat(raw, {"bandpass", std::to_string(hertz), "20"})["RMS amplitude"];
}

class WizardOnPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.start()) KEZ_SKIP_OR_FAIL(server_.error());
        for (const char* library : {CORVANE_LIBRARY_PATH, LINKOR_LIBRARY_PATH, SONWELL_LIBRARY_PATH}) {
            const auto canonical = std::filesystem::weakly_canonical(library).string();
            ASSERT_TRUE(kez::test::runCommand({KEZREGSVR_PATH, canonical}).ok()) << library;
        }
        ui::setProgramTitle("OmbrelWizard");
        previous_ = ui::setMessageBoxes(boxes_);
        ASSERT_TRUE(form_.bInitialize());
    }
    void TearDown() override {
        form_.Cleanup();
        ui::setMessageBoxes(previous_);
    }

    // A raw file of what the speaker played while `act` ran, and a second more for the sound on its way.
    std::filesystem::path played(const std::function<void(const kez::test::SourceRecording&)>& act) {
        kez::test::SourceRecording speaker(kez::test::PulseServer::kMonitor);
        EXPECT_TRUE(speaker.start());
        act(speaker);
        const std::size_t after = speaker.samples() + kSecond;
        EXPECT_TRUE(kez::test::eventually([&] { return speaker.samples() >= after; }));
        const auto samples = speaker.stop();
        const auto file = folder_ / ("played" + std::to_string(++recordings_) + ".raw");
        EXPECT_TRUE(kez::test::writeFile(
            file, std::span(reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * 2)));
        return file;
    }

    std::string firstBox() const { return boxes_->shown().empty() ? "" : boxes_->shown().front().text; }
    std::vector<std::string> streams(const char* kind) const {
        return kez::test::linesOf(server_.pactl({"list", "short", kind}).out);
    }

    kez::test::PulseServer server_{kez::test::SineMicrophone{kMicrophoneHz}};
    ombrel::test::OmbrelWorld world_;
    kez::test::ScopedEnv adapters_{"KEZ_ADAPTERS", "vwire:" + kez::test::uniqueName("wa") + "@02:00:00:00:00:05"};
    kez::test::TempDir folder_{"kez-wizard-audio"};
    int recordings_ = 0;
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
    std::shared_ptr<ui::MessageBoxes> previous_;
    ConfigWizardForm form_;
};

TEST_F(WizardOnPulse, TheDeviceListsShowTheAudioLayersDevicesThePulseAudioServerByName) {
    const std::pair<const char*, audio::Direction> lists[] = {{"cboRecordAdapters", audio::Direction::Capture},
                                                              {"cboPlayAdapters", audio::Direction::Playback}};
    for (const auto& [name, direction] : lists) {
        SCOPED_TRACE(name);
        const auto& list = control<QComboBox>(form_.audioBufferForm(), name);
        QStringList shown;
        for (int position = 1; position < list.count(); ++position)
            shown << list.itemText(position);
        QStringList devices;
        for (const auto& device : audio::listDevices(direction))
            devices << QString::fromStdString(device.name);
        EXPECT_EQ(shown, devices);
        EXPECT_TRUE(shown.contains("PulseAudio Sound Server")) << shown.join(", ").toStdString();
    }
}

TEST_F(WizardOnPulse, EachToneTestPlaysSevenSecondsOfDialToneAndNothingOfTheMicrophone) {
    for (const char* button : {"cmdMulawAudioTest", "cmdADPCMAudioTest"}) {
        SCOPED_TRACE(button);
        const auto file = played([&](auto&) { control<QPushButton>(form_, button).click(); });
        const auto sounding =
            soxStat(file, {"silence", "1", "0.01", "0.5%", "reverse", "silence", "1", "0.01", "0.5%", "reverse"});
        EXPECT_NEAR(sounding.at("Length (seconds)"), 7.0, 0.5);
        const double low = rmsAround(file, 350);
        const double high = rmsAround(file, 440);
        EXPECT_GT(low, 0.02);
        EXPECT_GT(high, 0.02);
        EXPECT_LT(rmsAround(file, kMicrophoneHz), std::min(low, high) / 20);
        EXPECT_EQ(firstBox(), "") << "the recording opened in both formats";
    }
}

TEST_F(WizardOnPulse, TheMicrophoneTestCarriesTheMicrophoneToTheSpeakerUntilStopTest) {
    const auto looped = played([&](const kez::test::SourceRecording& speaker) {
        const WhenModalShows stopping([&](QDialog& box) {
            const std::size_t after = speaker.samples() + 2 * kSecond;
            EXPECT_TRUE(kez::test::eventually(
                [&] {
                    QCoreApplication::processEvents();
                    return speaker.samples() >= after;
                },
                15s));
            control<QPushButton>(box, "cmdStopTest").click();
        });
        control<QPushButton>(form_, "cmdStartMike").click();
    });
    EXPECT_GT(rmsAround(looped, kMicrophoneHz), 0.02);
    EXPECT_EQ(firstBox(), "");

    // Stopped: the engine's play and record streams are gone, and the speaker stays silent.
    EXPECT_TRUE(kez::test::eventually([&] {
        return streams("sink-inputs").size() == 1 && streams("source-outputs").empty();
    })) << "only the kit's silent stream is left";
    const auto after = played([](auto&) {});
    EXPECT_LT(rmsAround(after, kMicrophoneHz), 0.001);
}

} // namespace
} // namespace kez::wizard::test
