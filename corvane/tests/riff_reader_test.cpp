// The wave-file reader: files made by sox and by Python's wave module come back with their
// format and samples as those tools see them; chunk layouts other writers use are walked, and
// damaged or foreign files are refused for the reason they are damaged.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "bytes.h"
#include "kez/audio/format.h"
#include "local_audio/riff_reader.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::corvane {
namespace {

using kez::test::Bytes;
using kez::test::hex;
using kez::test::zeros;
using kez::test::operator+;

// Python's wave module writes one second of a ramp in this layout; the frames are printed too.
constexpr char kPythonWriter[] = R"(
import sys, wave
path, rate, channels, width, frames = sys.argv[1], *map(int, sys.argv[2:])
data = bytes((i * 7) % 256 for i in range(frames * channels * width))
with wave.open(path, 'wb') as w:
    w.setnchannels(channels); w.setsampwidth(width); w.setframerate(rate); w.writeframes(data)
sys.stdout.write(data.hex())
)";

struct MadeFile {
    const char* maker; // "python" or "sox"
    const char* layout;
    std::uint16_t tag, channels, bits;
    std::uint32_t rate;
    std::size_t formatBytes;
};

class MadeByTools : public ::testing::TestWithParam<MadeFile> {};

TEST_P(MadeByTools, ReadsFormatAndSamplesAsTheToolSeesThem) {
    const MadeFile& made = GetParam();
    const kez::test::TempDir dir;
    const auto file = dir / "made.wav";
    Bytes expected;
    if (std::string(made.maker) == "python") {
        std::istringstream layout(made.layout);
        std::string rate, channels, width, frames;
        layout >> rate >> channels >> width >> frames;
        const auto run = kez::test::runCommand({KEZ_PYTHON, "-c", kPythonWriter, file, rate, channels, width, frames});
        ASSERT_TRUE(run.ok()) << run.err;
        expected = hex(run.out);
    } else {
        ASSERT_TRUE(kez::test::runCommand(
                        kez::test::shellCommand("sox -n $1 \"$2\" synth 0.7 sine 300-900 vol 0.5", {made.layout, file}))
                        .ok());
        // sox keeps the encoding when it writes the samples bare.
        ASSERT_TRUE(kez::test::runCommand({"sox", file, "-t", "raw", dir / "made.raw"}).ok());
        expected = kez::test::readBytes(dir / "made.raw");
    }
    WaveImage image;
    ASSERT_EQ(readWaveFile(file, image), WaveRead::Ok) << made.layout;
    audio::WaveFormat format;
    ASSERT_EQ(audio::parseWaveFormat(image.format, format), audio::Result::Ok);
    EXPECT_EQ(format.tag, made.tag);
    EXPECT_EQ(format.channels, made.channels);
    EXPECT_EQ(format.bits, made.bits);
    EXPECT_EQ(format.rate, made.rate);
    EXPECT_EQ(image.format.size(), made.formatBytes);
    if (made.tag == audio::wave_tag::kPcm || made.tag == audio::wave_tag::kMuLaw) {
        EXPECT_EQ(image.samples, expected);
        const std::size_t frames = expected.size() / format.blockAlign;
        EXPECT_EQ(image.durationMs(), frames * 1000 / made.rate);
    } else {
        // The last block of 505 samples (63 ms) is filled up.
        EXPECT_NEAR(static_cast<double>(image.durationMs()), 700 + 63 / 2.0, 63 / 2.0 + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(EightLayouts, MadeByTools,
                         ::testing::Values(MadeFile{"python", "8000 1 1 8001", 1, 1, 8, 8000, 18}, // odd data chunk
                                           MadeFile{"python", "11025 1 2 11025", 1, 1, 16, 11025, 18},
                                           MadeFile{"python", "44100 2 2 44100", 1, 2, 16, 44100, 18},
                                           MadeFile{"python", "22050 2 1 22050", 1, 2, 8, 22050, 18},
                                           MadeFile{"sox", "-r 8000 -c 1 -e u-law", 7, 1, 8, 8000, 18},
                                           MadeFile{"sox", "-r 16000 -c 2 -e u-law", 7, 2, 8, 16000, 18},
                                           MadeFile{"sox", "-r 48000 -c 2 -b 16", 1, 2, 16, 48000, 18},
                                           MadeFile{"sox", "-r 8000 -c 1 -e ima-adpcm", 0x11, 1, 4, 8000, 20}));

// Little-endian 32-bit length, as RIFF writes it.
Bytes le32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A chunk with its id, the size it claims (its body's unless told) and a pad byte after an odd body.
Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimed = {}) {
    Bytes out(id.begin(), id.end());
    out = out + le32(claimed.value_or(static_cast<std::uint32_t>(body.size()))) + body;
    if (body.size() % 2 == 1) out.push_back(0);
    return out;
}

Bytes riff(const Bytes& chunks, std::string_view form = "WAVE", std::optional<std::uint32_t> claimed = {}) {
    const Bytes formType(form.begin(), form.end());
    return chunk("RIFF", formType + chunks, claimed);
}

// 8000 Hz mono 16-bit PCM; the bytes a second as given.
Bytes pcmFormat(std::uint32_t bytesPerSecond = 16000) {
    return hex("0100 0100 401f0000") + le32(bytesPerSecond) + hex("0200 1000");
}

const Bytes kSamples = hex("01 02 03 04 05 06");

struct Layout {
    const char* name;
    Bytes file;
    WaveRead result;
    Bytes format;  // expected on Ok
    Bytes samples; // expected on Ok
};

TEST(RiffReader, WalksChunkLayoutsAndRefusesDamage) {
    const Bytes ima = hex("1100 0100 401f0000 d70f0000 0001 0400 0200 f901");
    const Bytes floatBlock = hex("0300 0100 401f0000 00fa0000 0400 2000");
    const Bytes pcm18 = pcmFormat() + hex("0000");
    const std::vector<Layout> layouts{
        {"plain", riff(chunk("fmt ", pcmFormat()) + chunk("data", kSamples)), WaveRead::Ok, pcm18, kSamples},
        {"odd chunk with pad before the sound",
         riff(chunk("LIST", hex("aa bb cc")) + chunk("fmt ", pcmFormat()) + chunk("data", kSamples)), WaveRead::Ok,
         pcm18, kSamples},
        {"samples before the format", riff(chunk("data", kSamples) + chunk("fmt ", pcmFormat())), WaveRead::Ok, pcm18,
         kSamples},
        {"extra bytes kept for other formats", riff(chunk("fmt ", ima) + chunk("data", kSamples)), WaveRead::Ok, ima,
         kSamples},
        {"a 16-byte block of another format has none", riff(chunk("fmt ", floatBlock) + chunk("data", kSamples)),
         WaveRead::Ok, floatBlock + hex("0000"), kSamples},
        {"PCM ignores an extra-size word", riff(chunk("fmt ", pcmFormat() + hex("0400")) + chunk("data", kSamples)),
         WaveRead::Ok, pcm18, kSamples},
        {"empty sound", riff(chunk("fmt ", pcmFormat()) + chunk("data", {})), WaveRead::Ok, pcm18, {}},
        {"a broken chunk after the sound is never reached",
         riff(chunk("fmt ", pcmFormat()) + chunk("data", kSamples) + hex("4c495354 ffffff7f")), WaveRead::Ok, pcm18,
         kSamples},
        {"empty file", {}, WaveRead::NotWave, {}, {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'}, WaveRead::NotWave, {}, {}},
        {"another RIFF form", riff(chunk("avih", zeros(8)), "AVI "), WaveRead::NotWave, {}, {}},
        {"RIFF claims more than the file",
         riff(chunk("fmt ", pcmFormat()) + chunk("data", kSamples), "WAVE", 1000),
         WaveRead::Damaged,
         {},
         {}},
        {"samples cut short",
         riff(chunk("fmt ", pcmFormat()) + chunk("data", kSamples, 600)),
         WaveRead::Damaged,
         {},
         {}},
        {"oversized chunk before the format",
         riff(chunk("LIST", zeros(4), 0x7ffffff0) + chunk("fmt ", pcmFormat()) + chunk("data", kSamples)),
         WaveRead::Damaged,
         {},
         {}},
        {"no format", riff(chunk("data", kSamples)), WaveRead::NoFormat, {}, {}},
        {"format too short",
         riff(chunk("fmt ", hex("0100 0100 401f0000 803e0000")) + chunk("data", kSamples)),
         WaveRead::BadFormat,
         {},
         {}},
        {"extra bytes past the chunk",
         riff(chunk("fmt ", floatBlock + hex("0800 0000")) + chunk("data", kSamples)),
         WaveRead::BadFormat,
         {},
         {}},
        {"no bytes a second", riff(chunk("fmt ", pcmFormat(0)) + chunk("data", kSamples)), WaveRead::BadFormat, {}, {}},
        {"no samples", riff(chunk("fmt ", pcmFormat())), WaveRead::NoData, {}, {}},
    };
    for (const auto& layout : layouts) {
        std::istringstream in(std::string(layout.file.begin(), layout.file.end()));
        WaveImage image;
        ASSERT_EQ(readWave(in, layout.file.size(), image), layout.result) << layout.name;
        EXPECT_EQ(image.format, layout.format) << layout.name;
        EXPECT_EQ(image.samples, layout.samples) << layout.name;
    }
}

TEST(RiffReader, OpensOnlyRegularFiles) {
    const kez::test::TempDir dir;
    WaveImage image;
    EXPECT_EQ(readWaveFile(dir / "missing.wav", image), WaveRead::CannotOpen);
    EXPECT_EQ(readWaveFile(dir.path(), image), WaveRead::CannotOpen);
    ASSERT_EQ(::mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(readWaveFile(dir / "pipe.wav", image), WaveRead::CannotOpen) << "never waits for a writer";
}

} // namespace
} // namespace kez::corvane
