#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <vector>

#include "sonwell/mulaw.h"
#include "test_support.h"

namespace kez::sonwell {
namespace {

// Position of a code on the quantiser's scale, so that "one code apart" means adjacent levels.
int Level(std::uint8_t code) { return code >= 0x80 ? 0xFF - code : code - 0x80; }

std::vector<std::int16_t> AllSamples() {
    std::vector<std::int16_t> samples(65536);
    std::iota(samples.begin(), samples.end(), std::int16_t{-32768});
    return samples;
}

std::vector<std::uint8_t> Compress(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> codes(samples.size());
    EXPECT_EQ(MuLawCompress(codes, samples), samples.size());
    return codes;
}

TEST(MuLaw, ExpansionMatchesSoxForEveryCode) {
    const test::TempDir dir;
    std::vector<std::uint8_t> codes(256);
    std::iota(codes.begin(), codes.end(), std::uint8_t{0});
    ASSERT_TRUE(test::writeFile(dir / "codes.ul", codes));
    ASSERT_EQ(test::runCommand({"sox", "-D", "-t", "ul", "-r", "8000", "-c", "1", dir / "codes.ul", "-t", "raw", "-e",
                                "signed", "-b", "16", dir / "linear.raw"})
                  .exitCode,
              0);
    const std::vector<std::int16_t> expected = test::ReadSamples(dir / "linear.raw");
    std::vector<std::int16_t> ours(256);
    ASSERT_EQ(MuLawExpand(ours, codes), 256u);
    EXPECT_EQ(ours, expected);
}

// The encoder works on 16 bits with bias 132 and clip 32635. audioop truncates to 14 bits before
// negating, so it agrees exactly on non-negative samples and by one code on some negative ones;
// sox also rounds, so it agrees by one code throughout.
TEST(MuLaw, CompressionMatchesAudioopAndSox) {
    const test::TempDir dir;
    const std::vector<std::int16_t> samples = AllSamples();
    test::WriteSamples(dir / "linear.raw", samples);
    ASSERT_EQ(
        test::RunPythonOracle("audioop_oracle.py", {"ulaw-compress", dir / "linear.raw", dir / "audioop.ul"}).exitCode,
        0);
    ASSERT_EQ(test::runCommand({"sox", "-D", "-t", "raw", "-e", "signed", "-b", "16", "-r", "8000", "-c", "1",
                                dir / "linear.raw", "-t", "ul", dir / "sox.ul"})
                  .exitCode,
              0);
    const std::vector<std::uint8_t> audioop = test::readBytes(dir / "audioop.ul");
    const std::vector<std::uint8_t> sox = test::readBytes(dir / "sox.ul");
    ASSERT_EQ(audioop.size(), samples.size());
    ASSERT_EQ(sox.size(), samples.size());
    const std::vector<std::uint8_t> ours = Compress(samples);
    int differences = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] >= 0) {
            ASSERT_EQ(ours[i], audioop[i]) << "sample " << samples[i];
        }
        ASSERT_LE(std::abs(Level(ours[i]) - Level(audioop[i])), 1) << "sample " << samples[i];
        ASSERT_LE(std::abs(Level(ours[i]) - Level(sox[i])), 1) << "sample " << samples[i];
        differences += ours[i] != audioop[i];
    }
    EXPECT_LT(differences, 400);
}

TEST(MuLaw, EdgeValuesAndRoundTrip) {
    EXPECT_EQ(MuLawCompressSample(32767), 0x80);
    EXPECT_EQ(MuLawCompressSample(-32768), 0x00);
    EXPECT_EQ(MuLawCompressSample(0), 0xFF);
    EXPECT_EQ(MuLawExpandSample(0xFF), 0);
    EXPECT_EQ(MuLawExpandSample(0x7F), 0);
    // Every level compresses back to its own code; only the negative zero comes back positive.
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        EXPECT_EQ(MuLawCompressSample(MuLawExpandSample(byte)), byte == 0x7F ? 0xFF : byte) << "code " << code;
    }
    // Expansion is monotonic in the level and compression never moves a sample by more than one level.
    const std::vector<std::int16_t> samples = AllSamples();
    const std::vector<std::uint8_t> codes = Compress(samples);
    for (std::size_t i = 1; i < samples.size(); ++i)
        ASSERT_GE(Level(codes[i]), Level(codes[i - 1]));
}

TEST(MuLaw, ConvertsOnlyWhatBothSidesHold) {
    const std::vector<std::uint8_t> codes = {0x00, 0x80, 0xFF};
    std::vector<std::int16_t> samples(2, 7);
    EXPECT_EQ(MuLawExpand(samples, codes), 2u);
    EXPECT_EQ(samples, (std::vector<std::int16_t>{-32124, 32124}));
    std::vector<std::uint8_t> out(5, 0x55);
    EXPECT_EQ(MuLawCompress(out, samples), 2u);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0x80, 0x55, 0x55, 0x55}));
}

} // namespace
} // namespace kez::sonwell
