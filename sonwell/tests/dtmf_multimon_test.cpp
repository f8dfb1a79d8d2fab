#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sonwell/tone_generator.h"
#include "sonwell/tone_table.h"
#include "test_support.h"

namespace kez::sonwell {
namespace {

constexpr char kKeysByRow[] = "0123456789ABCD*#";

// Each key of every table, 100 ms of tone and 100 ms of silence, decoded by multimon-ng.
TEST(DtmfRows, MultimonDecodesEveryKeyOfEveryTable) {
    std::vector<std::int16_t> signal;
    std::string expected;
    for (int table = 1; table <= kToneTableCount; ++table) {
        for (int row = 0; row < 16; ++row) {
            ToneState state;
            for (int i = 0; i < 800; ++i)
                signal.push_back(GenerateToneSample(row, table, state));
            signal.insert(signal.end(), 800, 0);
            expected += kKeysByRow[row];
        }
    }
    const test::TempDir dir;
    test::WriteSamples(dir / "keys-8k.raw", signal);
    // multimon-ng wants 22050 Hz; sox resamples without dither.
    const auto raw = [](const char* rate, const std::filesystem::path& file) {
        return std::vector<std::string>{"-t", "raw", "-r", rate, "-e", "signed", "-b", "16", "-c", "1", file};
    };
    std::vector<std::string> resample{"sox", "-D"};
    std::ranges::copy(raw("8000", dir / "keys-8k.raw"), std::back_inserter(resample));
    std::ranges::copy(raw("22050", dir / "keys-22k.raw"), std::back_inserter(resample));
    ASSERT_EQ(test::runCommand(resample).exitCode, 0);
    const auto decoded = test::runCommand({"multimon-ng", "-q", "-a", "DTMF", "-t", "raw", dir / "keys-22k.raw"});
    ASSERT_EQ(decoded.exitCode, 0);
    std::istringstream lines(decoded.out);
    std::string heard;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("DTMF: ", 0) == 0 && line.size() > 6) heard += line[6];
    }
    EXPECT_EQ(heard, expected);
}

} // namespace
} // namespace kez::sonwell
