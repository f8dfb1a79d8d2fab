// Wave format records and conversion of wave data to the device format.
#include "kez/audio/convert.h"

#include "pcm_test_support.h"
#include "signal_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kez::audio {
namespace {

std::vector<std::uint8_t> le16(std::initializer_list<int> samples) {
    std::vector<std::uint8_t> bytes;
    for (const int s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

WaveFormat pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint16_t tag = wave_tag::kPcm) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {tag, channels, rate, rate * align, align, bits, {}};
}

TEST(ConvertTest, SamplesReachTheDeviceFormat) {
    const struct {
        const char* name;
        WaveFormat source;
        std::vector<std::uint8_t> data;
        PcmFormat target;
        std::vector<std::uint8_t> expected;
    } table[] = {
        {"same format", pcm(1, 8000, 16), le16({1, -2, 32767}), kTelephoneFormat, le16({1, -2, 32767})},
        {"mu-law",
         pcm(1, 8000, 8, wave_tag::kMuLaw),
         {0xFF, 0x00, 0x80, 0x7F, 0xEF},
         kTelephoneFormat,
         le16({0, -32124, 32124, 0, 132})},
        {"24-bit", pcm(1, 8000, 24), {0x56, 0x34, 0x12, 0x00, 0x00, 0x80}, kTelephoneFormat, le16({0x1234, -32768})},
        {"8-bit", pcm(1, 8000, 8), {0x80, 0xFF, 0x00}, kTelephoneFormat, le16({0, 32512, -32768})},
        {"stereo to mono", pcm(2, 8000, 16), le16({1000, 3000, -10, -30}), kTelephoneFormat, le16({2000, -20})},
        {"mono to stereo", pcm(1, 8000, 16), le16({7}), PcmFormat{8000, 2, 16}, le16({7, 7})},
        {"to 8-bit", pcm(1, 8000, 16), le16({0, 32767, -32768}), PcmFormat{8000, 1, 8}, {128, 255, 1}},
        {"part frame ignored", pcm(2, 8000, 16), {1, 0, 1, 0, 9}, kTelephoneFormat, le16({1})},
    };
    for (const auto& row : table) {
        std::vector<std::uint8_t> out;
        ASSERT_EQ(convertToDevice(row.source, row.data, row.target, out), Result::Ok) << row.name;
        EXPECT_EQ(out, row.expected) << row.name;
    }
}

TEST(ConvertTest, ResamplingKeepsFrequencyLevelAndDuration) {
    // One second of a 1 kHz tone at 22,050 Hz, stereo, 8-bit.
    std::vector<std::uint8_t> data;
    for (const auto sample : test::tone(22050, 1000, 100 * 256, 22050)) {
        const auto byte = static_cast<std::uint8_t>(sample / 256 + 128);
        data.insert(data.end(), {byte, byte});
    }
    std::vector<std::uint8_t> out;
    ASSERT_EQ(convertToDevice(pcm(2, 22050, 8), data, kTelephoneFormat, out), Result::Ok);
    const auto samples = test::samplesOf(out);
    EXPECT_NEAR(static_cast<double>(samples.size()), 8000, 2);
    const auto middle = std::span(samples).subspan(1000, 6000);
    const double amplitude = 2 * std::sqrt(kez::test::GoertzelPower(middle, 1000));
    EXPECT_NEAR(amplitude, 100 * 256, 100 * 256 * 0.03);
    EXPECT_LT(kez::test::GoertzelPower(middle, 3000), kez::test::GoertzelPower(middle, 1000) / 1000);
}

TEST(ConvertTest, UnreadableSourcesAndTargetsAreRefused) {
    std::vector<std::uint8_t> out;
    auto ima = pcm(1, 8000, 4, 0x11);
    ima.blockAlign = 256;
    auto misaligned = pcm(2, 8000, 16);
    misaligned.blockAlign = 3;
    const struct {
        const char* name;
        WaveFormat source;
        PcmFormat target;
        Result expected;
    } table[] = {
        {"IMA ADPCM", ima, kTelephoneFormat, Result::ConversionNotPossible},
        {"12-bit", pcm(1, 8000, 12), kTelephoneFormat, Result::ConversionNotPossible},
        {"block align", misaligned, kTelephoneFormat, Result::BadFormat},
        {"no rate", pcm(1, 0, 16), kTelephoneFormat, Result::BadFormat},
        {"target 24-bit", pcm(1, 8000, 16), PcmFormat{8000, 1, 24}, Result::BadFormat},
    };
    for (const auto& row : table)
        EXPECT_EQ(convertToDevice(row.source, le16({1, 2}), row.target, out), row.expected) << row.name;
}

TEST(ConvertTest, WaveFormatRecordsAreCheckedAgainstTheirLength) {
    const std::vector<std::uint8_t> pcm16 = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0};
    WaveFormat format;
    ASSERT_EQ(parseWaveFormat(pcm16, format), Result::Ok);
    EXPECT_EQ(format, pcm(1, 8000, 16));
    EXPECT_EQ(waveFormatOf(kTelephoneFormat), format);

    auto withExtra = pcm16;
    withExtra.insert(withExtra.end(), {2, 0, 0xAA, 0xBB});
    ASSERT_EQ(parseWaveFormat(withExtra, format), Result::Ok);
    EXPECT_EQ(format.extra, (std::vector<std::uint8_t>{0xAA, 0xBB}));

    auto extraTooLong = pcm16;
    extraTooLong.insert(extraTooLong.end(), {3, 0, 0xAA});
    auto noChannels = pcm16;
    noChannels[2] = 0;
    auto noAlign = pcm16;
    noAlign[12] = 0;
    for (const auto& bad :
         {std::vector<std::uint8_t>(pcm16.begin(), pcm16.begin() + 14), extraTooLong, noChannels, noAlign})
        EXPECT_EQ(parseWaveFormat(bad, format), Result::BadFormat);
}

} // namespace
} // namespace kez::audio
