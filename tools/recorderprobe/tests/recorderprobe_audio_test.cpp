// recorderprobe against real ALSA: the private PulseAudio server's capture device, and an ALSA
// configuration with no card while no sound server answers.
#include <gtest/gtest.h>

#include <string>

#include "audio_server.h"
#include "privileged.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::recorderprobe {
namespace {

TEST(RecorderProbeProgram, ListsThePulseServersCaptureDevice) {
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

TEST(RecorderProbeProgram, NoCardAndNoServerListNothing) {
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
