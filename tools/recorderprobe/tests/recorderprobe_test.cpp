// recorderprobe: the count first, then one line per device, failures included; the program over
// real ALSA with the private PulseAudio server, and with no card and no server.
#include "record_devices.h"

#include "kez/audio/devices.h"

#include "audio_server.h"
#include "privileged.h"
#include "process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace kez::recorderprobe {
namespace {

using audio::Result;

TEST(RecorderProbe, CountThenOneLinePerDevice) {
    const std::vector<std::pair<std::vector<RecordDevice>, std::string>> cases{
        {{}, "0 record devices found\n"},
        {{{Result::Ok, "USB: Mic"}, {Result::Ok, audio::cutDeviceName(std::string(40, 'M'))}},
         "2 record devices found\nRecording device USB: Mic\nRecording device " + std::string(31, 'M') + "\n"},
        {{{Result::Ok, "USB: Mic"}, {Result::BadDeviceId, {}}, {Result::Ok, "HDA: Analog"}},
         "3 record devices found\nRecording device USB: Mic\nwaveInGetDevCaps failed 2\nRecording device HDA: "
         "Analog\n"},
    };
    for (const auto& [devices, expected] : cases) {
        testing::internal::CaptureStdout();
        printRecordDevices(devices);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    }
}

TEST(RecorderProbe, ListsThePulseServersCaptureDevice) {
    test::PulseServer server;
    if (!server.start()) KEZ_SKIP_OR_FAIL(server.error());
    const test::CommandResult result = test::runCommand({KEZ_RECORDERPROBE, "--ignored-argument"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    const auto lines = test::linesOf(result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), std::to_string(lines.size() - 1) + " record devices found");
    EXPECT_NE(result.out.find("\nRecording device PulseAudio Sound Server\n"), std::string::npos) << result.out;
}

TEST(RecorderProbe, NoCardAndNoServerListNothing) {
    const test::TempDir folder("kez-noalsa");
    ASSERT_TRUE(test::writeFile(folder / "asound.conf", ""));
    const test::CommandResult result =
        test::runCommand({KEZ_RECORDERPROBE}, {"ALSA_CONFIG_PATH=" + (folder / "asound.conf").string(),
                                               "PULSE_SERVER=unix:" + (folder / "no-server").string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "0 record devices found\n");
}

} // namespace
} // namespace kez::recorderprobe
