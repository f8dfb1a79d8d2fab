#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "sonwell/ima_adpcm.h"
#include "test_support.h"

namespace kez::sonwell {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

struct EncodedFrames {
    Bytes blocks;
    int finalIndex;
};

EncodedFrames EncodeFrames(const Samples& signal, std::size_t frameSamples, int index) {
    const std::size_t blockBytes = ImaAdpcmBlockBytes(frameSamples);
    EncodedFrames encoded{Bytes(signal.size() / frameSamples * blockBytes), index};
    for (std::size_t f = 0; f < signal.size() / frameSamples; ++f) {
        const std::span<const std::int16_t> frame(signal.data() + f * frameSamples, frameSamples);
        const std::span<std::uint8_t> block(encoded.blocks.data() + f * blockBytes, blockBytes);
        EXPECT_EQ(ImaAdpcmEncode(block, frame, encoded.finalIndex), blockBytes);
    }
    return encoded;
}

Samples DecodeBlocks(const Bytes& blocks, std::size_t blockBytes) {
    const std::size_t perBlock = ImaAdpcmBlockSamples(blockBytes);
    Samples decoded(blocks.size() / blockBytes * perBlock);
    for (std::size_t b = 0; b < blocks.size() / blockBytes; ++b) {
        const std::span<const std::uint8_t> block(blocks.data() + b * blockBytes, blockBytes);
        EXPECT_EQ(ImaAdpcmDecode(std::span(decoded.data() + b * perBlock, perBlock), block), perBlock);
    }
    return decoded;
}

Samples ManyNoisyFrames(std::size_t frameSamples, unsigned frames) {
    Samples signal;
    for (unsigned f = 0; f < frames; ++f) {
        const Samples frame = test::NoisySignal(frameSamples, f, 1000 + f);
        signal.insert(signal.end(), frame.begin(), frame.end());
    }
    return signal;
}

// Encodes noisy frames with the index carried from frame to frame and checks every block, its
// full decoding and the final index against audioop.
void ExpectEncodingMatchesAudioop(std::size_t frameSamples, unsigned frames, int startIndex) {
    const test::TempDir dir;
    const Samples signal = ManyNoisyFrames(frameSamples, frames);
    test::WriteSamples(dir / "frames.raw", signal);
    const auto oracle = test::RunPythonOracle("audioop_oracle.py",
                                              {"ima-encode", std::to_string(frameSamples), std::to_string(startIndex),
                                               dir / "frames.raw", dir / "expected.bin"});
    ASSERT_EQ(oracle.exitCode, 0);
    const Bytes expected = test::readBytes(dir / "expected.bin");

    const std::size_t blockBytes = ImaAdpcmBlockBytes(frameSamples);
    const std::size_t decodedBytes = 2 * ImaAdpcmBlockSamples(blockBytes);
    const std::size_t recordBytes = blockBytes + decodedBytes + 2;
    ASSERT_EQ(expected.size(), frames * recordBytes);
    int index = startIndex;
    for (unsigned f = 0; f < frames; ++f) {
        const auto record = expected.begin() + f * recordBytes;
        Bytes block(blockBytes);
        ASSERT_EQ(ImaAdpcmEncode(block, std::span(signal.data() + f * frameSamples, frameSamples), index), blockBytes);
        ASSERT_EQ(block, Bytes(record, record + blockBytes)) << "frame " << f;
        ASSERT_EQ(index, record[recordBytes - 2] | record[recordBytes - 1] << 8) << "frame " << f;
        const Samples decoded = DecodeBlocks(block, blockBytes);
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const auto at = record + blockBytes + 2 * i;
            ASSERT_EQ(decoded[i], static_cast<std::int16_t>(at[0] | at[1] << 8)) << "frame " << f << " sample " << i;
        }
    }
}

TEST(ImaAdpcm, RealTimeEncodingMatchesAudioop) { ExpectEncodingMatchesAudioop(kRealTimeBlockSamples, 200, 0); }

TEST(ImaAdpcm, ReliableEncodingMatchesAudioop) { ExpectEncodingMatchesAudioop(kReliableBlockSamples, 60, 40); }

// Random blocks exercise codes that no encoder would choose, including saturation.
TEST(ImaAdpcm, DecodingOfRandomBlocksMatchesAudioop) {
    std::mt19937 random(7);
    for (const std::size_t blockBytes : {kRealTimeBlockBytes, kReliableBlockBytes}) {
        const test::TempDir dir;
        Bytes blocks(150 * blockBytes);
        std::generate(blocks.begin(), blocks.end(), [&] { return static_cast<std::uint8_t>(random()); });
        for (std::size_t at = 0; at < blocks.size(); at += blockBytes) {
            blocks[at + 2] = static_cast<std::uint8_t>(random() % (kImaMaxStepIndex + 1));
            blocks[at + 3] = 0;
        }
        ASSERT_TRUE(test::writeFile(dir / "blocks.bin", blocks));
        ASSERT_EQ(test::RunPythonOracle("audioop_oracle.py", {"ima-decode", std::to_string(blockBytes),
                                                              dir / "blocks.bin", dir / "expected.raw"})
                      .exitCode,
                  0);
        EXPECT_EQ(DecodeBlocks(blocks, blockBytes), test::ReadSamples(dir / "expected.raw"));
    }
}

// Our blocks are standard mono IMA ADPCM WAV blocks: the header's index word is the WAV header's
// index byte and zero reserved byte, and codes run low nibble first.
void WriteImaWav(const std::filesystem::path& path, const Bytes& blocks, std::size_t blockBytes) {
    const auto samplesPerBlock = static_cast<std::uint32_t>(ImaAdpcmBlockSamples(blockBytes));
    const auto blockCount = static_cast<std::uint32_t>(blocks.size() / blockBytes);
    Bytes wav;
    const auto text = [&](const char* chars) {
        for (int i = 0; i < 4; ++i)
            wav.push_back(static_cast<std::uint8_t>(chars[i]));
    };
    const auto le = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    text("RIFF");
    le(4 + 28 + 12 + 8 + static_cast<std::uint32_t>(blocks.size()), 4);
    text("WAVE");
    text("fmt ");
    le(20, 4);
    le(0x0011, 2); // IMA ADPCM
    le(1, 2);
    le(8000, 4);
    le(8000 * static_cast<std::uint32_t>(blockBytes) / samplesPerBlock, 4);
    le(static_cast<std::uint32_t>(blockBytes), 2);
    le(4, 2);
    le(2, 2); // extension size
    le(samplesPerBlock, 2);
    text("fact");
    le(4, 4);
    le(blockCount * samplesPerBlock, 4);
    text("data");
    le(static_cast<std::uint32_t>(blocks.size()), 4);
    wav.insert(wav.end(), blocks.begin(), blocks.end());
    ASSERT_TRUE(test::writeFile(path, wav));
}

Samples DecodeWithLibsndfile(const std::filesystem::path& path) {
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!file) return {};
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
    Samples samples(static_cast<std::size_t>(info.frames));
    samples.resize(static_cast<std::size_t>(sf_read_short(file.get(), samples.data(), info.frames)));
    return samples;
}

TEST(ImaAdpcm, WavWrappedBlocksDecodeAlikeInSoxAndLibsndfile) {
    for (const std::size_t frameSamples : {kRealTimeBlockSamples, kReliableBlockSamples}) {
        const test::TempDir dir;
        const EncodedFrames encoded = EncodeFrames(ManyNoisyFrames(frameSamples, 40), frameSamples, 0);
        const std::size_t blockBytes = ImaAdpcmBlockBytes(frameSamples);
        // The real-time block is a standard block of 193 samples whose last code is padding.
        const Samples ours = DecodeBlocks(encoded.blocks, blockBytes);
        WriteImaWav(dir / "blocks.wav", encoded.blocks, blockBytes);
        ASSERT_EQ(test::runCommand(
                      {"sox", "-D", dir / "blocks.wav", "-t", "raw", "-e", "signed", "-b", "16", dir / "sox.raw"})
                      .exitCode,
                  0);
        EXPECT_EQ(test::ReadSamples(dir / "sox.raw"), ours) << frameSamples << "-sample blocks";
        EXPECT_EQ(DecodeWithLibsndfile(dir / "blocks.wav"), ours) << frameSamples << "-sample blocks";
    }
}

TEST(ImaAdpcm, BlockSizes) {
    int index = 0;
    const Samples frame = test::NoisySignal(kRealTimeBlockSamples, 2, 3);
    Bytes block(kReliableBlockBytes, 0xEE);
    ASSERT_EQ(ImaAdpcmEncode(block, frame, index), 100u);
    EXPECT_EQ(block[99] >> 4, 0) << "the last word holds three codes, its top nibble zero";
    EXPECT_EQ(block[100], 0xEE) << "nothing written past the block";
    Samples decoded(300);
    EXPECT_EQ(ImaAdpcmDecode(decoded, std::span(block.data(), 100)), 193u);
    EXPECT_EQ(ImaAdpcmBlockSamples(100), 2 * 100 - 7u);
    EXPECT_EQ(ImaAdpcmEncode(block, test::NoisySignal(kReliableBlockSamples, 2, 4), index), 256u);
    EXPECT_EQ(ImaAdpcmBlockBytes(1), 4u);
    EXPECT_EQ(ImaAdpcmBlockBytes(2), 6u);
    EXPECT_EQ(ImaAdpcmBlockBytes(5), 6u);
    EXPECT_EQ(ImaAdpcmBlockBytes(6), 8u);
}

TEST(ImaAdpcm, DecodeSaturatesAtTheSampleRange) {
    Bytes rising(100, 0x77); // every code +7: the biggest step up
    rising[0] = 0x00;
    rising[1] = 0x7D; // first sample 32000
    rising[2] = 60;
    rising[3] = 0;
    Samples out(193);
    ImaAdpcmDecode(out, rising);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(*std::min_element(out.begin() + 1, out.end()), 32767);

    Bytes falling(100, 0xFF); // every code -7
    falling[0] = 0x00;
    falling[1] = 0x83; // first sample -32000
    falling[2] = 60;
    falling[3] = 0;
    ImaAdpcmDecode(out, falling);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(*std::max_element(out.begin() + 1, out.end()), -32768);
}

TEST(ImaAdpcm, StepIndexStaysInRange) {
    int index = 0;
    Bytes block(kReliableBlockBytes);
    for (unsigned kind = 0; kind < 40; ++kind) {
        const Samples frame = test::NoisySignal(kReliableBlockSamples, kind, kind);
        ImaAdpcmEncode(block, frame, index);
        ASSERT_GE(index, 0);
        ASSERT_LE(index, kImaMaxStepIndex);
        ASSERT_EQ(block[3], 0) << "the header index fits its low byte";
    }
    // A caller's index out of range starts the block at the nearest valid one.
    index = 500;
    ImaAdpcmEncode(block, Samples(kReliableBlockSamples, 0), index);
    EXPECT_EQ(block[2], kImaMaxStepIndex);
    index = -3;
    ImaAdpcmEncode(block, Samples(kReliableBlockSamples, 0), index);
    EXPECT_EQ(block[2], 0);
}

// The header index comes from the network: anything past 88, or negative, decodes as the nearest
// valid index instead of reading past the step table.
TEST(ImaAdpcm, HeaderIndexFromTheNetworkIsClamped) {
    Bytes block(kRealTimeBlockBytes);
    int index = 88;
    ImaAdpcmEncode(block, test::NoisySignal(kRealTimeBlockSamples, 3, 9), index);
    block[2] = 88;
    block[3] = 0;
    Samples atTop(193);
    ImaAdpcmDecode(atTop, block);
    block[2] = 87;
    Samples belowTop(193);
    ImaAdpcmDecode(belowTop, block);
    ASSERT_NE(belowTop, atTop) << "the index matters to the decoding";
    for (const std::uint16_t word : {89, 255, 0x0158, 0x7FFF}) {
        block[2] = static_cast<std::uint8_t>(word & 0xFF);
        block[3] = static_cast<std::uint8_t>(word >> 8);
        Samples out(193);
        ImaAdpcmDecode(out, block);
        EXPECT_EQ(out, atTop) << "index word " << word;
    }
    block[2] = 0;
    block[3] = 0;
    Samples atBottom(193);
    ImaAdpcmDecode(atBottom, block);
    block[2] = 0xFF;
    block[3] = 0xFF;
    Samples negative(193);
    ImaAdpcmDecode(negative, block);
    EXPECT_EQ(negative, atBottom);
}

TEST(ImaAdpcm, DecodeNeverReadsPastItsInput) {
    Bytes shortBlock(10); // holds the header sample and 12 codes
    shortBlock[0] = 5;
    Samples out(193, 1234);
    EXPECT_EQ(ImaAdpcmDecode(out, shortBlock), 13u);
    EXPECT_EQ(out[0], 5);
    EXPECT_TRUE(std::all_of(out.begin() + 13, out.end(), [](std::int16_t s) { return s == 1234; }));
    EXPECT_EQ(ImaAdpcmDecode(out, Bytes(3)), 0u);
    EXPECT_EQ(ImaAdpcmDecode(out, Bytes{}), 0u);
    Samples two(2);
    EXPECT_EQ(ImaAdpcmDecode(two, Bytes(kRealTimeBlockBytes)), 2u);
}

TEST(ImaAdpcm, EncodeRefusesWhatDoesNotFit) {
    int index = 17;
    Bytes small(99, 0xAB);
    EXPECT_EQ(ImaAdpcmEncode(small, Samples(kRealTimeBlockSamples), index), 0u);
    EXPECT_EQ(index, 17);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(ImaAdpcmEncode(small, Samples{}, index), 0u);
    Bytes header(4);
    EXPECT_EQ(ImaAdpcmEncode(header, Samples{-2}, index), 4u);
    EXPECT_EQ(header, (Bytes{0xFE, 0xFF, 17, 0}));
}

} // namespace
} // namespace kez::sonwell
