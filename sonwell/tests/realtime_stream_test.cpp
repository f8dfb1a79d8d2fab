// The real-time stream's jitter queue, driven by scripts of arriving frames and mixed buffers.
#include "play_test_support.h"
#include "test_support.h"

#include "sonwell/ima_adpcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace kez::sonwell::test {
namespace {

std::uint8_t codeFor(long sequence) { return static_cast<std::uint8_t>(0xE0 + sequence % 13); }

// "a b*3" -> "a b b b"
std::vector<std::string> expand(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const auto star = token.find('*');
        const int times = star == std::string::npos ? 1 : std::stoi(token.substr(star + 1));
        for (int i = 0; i < times; ++i)
            out.push_back(token.substr(0, star));
    }
    return out;
}

// "-" silence, "N" frame N, "rN" frame N repeated with its last 16 samples laid again on the start,
// "c" anything else (comfort noise).
std::string describe(std::span<const std::int16_t> frame, const std::vector<long>& sequences) {
    if (std::all_of(frame.begin(), frame.end(), [](auto v) { return v == 0; })) return "-";
    for (const long s : sequences) {
        const int level = MixerBench::level(codeFor(s));
        const bool plain = std::all_of(frame.begin(), frame.end(), [&](auto v) { return v == level; });
        if (plain) return std::to_string(s);
        const bool repeat = std::all_of(frame.begin(), frame.begin() + 16, [&](auto v) { return v == 2 * level; }) &&
                            std::all_of(frame.begin() + 16, frame.end(), [&](auto v) { return v == level; });
        if (repeat) return "r" + std::to_string(s);
    }
    return "c";
}

struct JitterCase {
    const char* name;
    std::int32_t framesPerBuffer;
    bool comfort;
    const char* script; // +N data N, ~N comfort N, .N silence N, m mix a buffer
    const char* heard;
};

const JitterCase kJitterCases[] = {
    {"in order", 1, false, "+10 +11 +12 m m m", "10 11 12"},
    {"missing frame repeats the last", 1, false, "+10 +12 m m m", "10 r10 12"},
    {"late frame dropped", 1, false, "+10 +12 m m +11 m", "10 r10 12"},
    {"reordered frames play in turn", 1, false, "+10 +12 +11 +14 +13 m m m m m", "10 11 12 13 14"},
    {"reordered across the wrap", 1, false, "+65535 +1 +0 m m m", "65535 0 1"},
    {"duplicate dropped", 1, false, "+10 +10 +11 m m", "10 11"},
    {"wrap at 65535", 1, false, "+65534 +65535 +0 m m m", "65534 65535 0"},
    {"four misses stop, next frame restarts", 1, false, "+10 m*6 +50 m", "10 r10*4 - 50"},
    {"alternate misses go on", 1, false, "+1 +3 +5 m*6", "1 r1 3 r3 5 r5"},
    {"three buffers with misses stop", 2, false, "+1 +3 +5 +7 m*5", "1 r1 3 r3 5 r5 7 r7 - -"},
    {"comfort noise fills a gap", 1, true, "+10 ~11 m*8", "10 c*7"},
    {"comfort needs its flag", 1, false, "+10 ~11 m*8", "10 -*7"},
    {"speech after 3 s of comfort", 1, true, "+10 ~11 m*127 +12 m", "10 c*126 12"},
    {"speech after 3 s of silence", 1, false, "+10 .11 m*127 +12 m", "10 -*126 12"},
    {"late frame from before a silence dropped", 1, false, "+10 +11 .12 m*7 +11 +13 m m", "10 11 -*5 13 r13"},
    {"late frame from before comfort dropped", 1, true, "+10 ~11 m*5 +9 +12 m m", "10 c*4 12 r12"},
    {"duplicate silence frame dropped", 1, false, "+10 .11 m*5 .11 +12 m m", "10 -*4 12 r12"},
    {"reordered after a silence", 1, false, "+10 .11 m*5 +13 +12 m m", "10 -*4 12 13"},
    {"late frame across the wrap and a silence", 1, false, "+65534 .65535 m*4 +65532 +0 m m", "65534 -*3 0 r0"},
};

void PrintTo(const JitterCase& c, std::ostream* os) { *os << c.name; }

class JitterTest : public ::testing::TestWithParam<JitterCase> {};

TEST_P(JitterTest, PlaysTheScript) {
    const auto& c = GetParam();
    MixerBench bench(testFormat(c.framesPerBuffer));
    StreamHandle handle = 0;
    ASSERT_EQ(bench.mixer.realTimeStream(1, c.comfort, handle), com::S_OK);
    std::vector<long> sequences;
    std::vector<std::string> heard;
    for (const auto& step : expand(c.script)) {
        if (step == "m") {
            const auto buffer = bench.mix();
            for (std::size_t at = 0; at < buffer.size(); at += 192)
                heard.push_back(describe(std::span(buffer).subspan(at, 192), sequences));
            continue;
        }
        const long sequence = std::stol(step.substr(1));
        sequences.push_back(sequence);
        const auto seq16 = static_cast<std::uint16_t>(sequence);
        ASSERT_EQ(bench.mixer.withStreamOf<RealTimeStream>(handle,
                                                           [&](RealTimeStream& s) {
                                                               if (step[0] == '~') return s.ComfortNoise(seq16);
                                                               if (step[0] == '.') return s.Silence(seq16);
                                                               return s.AddData(
                                                                   MixerBench::levelFrame(codeFor(sequence)), seq16);
                                                           }),
                  com::S_OK);
    }
    EXPECT_EQ(heard, expand(c.heard));
}

INSTANTIATE_TEST_SUITE_P(Scripts, JitterTest, ::testing::ValuesIn(kJitterCases),
                         [](const auto& info) { return ::testing::PrintToString(info.index); });

TEST(RealTimeStreamTest, BoundsWhatTheNetworkGives) {
    MixerBench bench;
    StreamHandle ima = 0, mulaw = 0;
    bench.mixer.realTimeStream(3, false, ima);
    bench.mixer.realTimeStream(1, false, mulaw);
    auto add = [&](StreamHandle h, std::vector<std::uint8_t> bytes, std::uint16_t seq) {
        return bench.mixer.withStreamOf<RealTimeStream>(h, [&](RealTimeStream& s) { return s.AddData(bytes, seq); });
    };
    EXPECT_EQ(add(ima, {1, 2, 3}, 0), com::E_INVALIDARG) << "shorter than a block header";
    EXPECT_EQ(add(mulaw, MixerBench::levelFrame(0xE0, 10), 0), com::S_OK);
    const auto frame = bench.mix();
    EXPECT_EQ(frame[9], MixerBench::level(0xE0));
    EXPECT_EQ(frame[10], 0) << "a short mu-law frame is zero-filled";

    for (std::uint16_t seq = 1; seq <= 500; ++seq)
        add(mulaw, MixerBench::levelFrame(0xE0), seq);
    std::int32_t buffered = 0;
    bench.mixer.withStream(mulaw, [&](CPlayStream& s) {
        buffered = s.buffered();
        return com::S_OK;
    });
    EXPECT_EQ(buffered, 2000 / 24 * 192) << "about 2 s kept, the oldest dropped";
}

} // namespace
} // namespace kez::sonwell::test

namespace kez::sonwell::test {
namespace {

// Speech-like noise coded by sox (repeatable: the same noise each run), sent with 5 % loss and neighbours swapped, two
// frames ahead of the mixer: every frame that arrived plays as the codec gives it, every lost one repeats the frame
// before it.
TEST(RealTimeStreamTest, CodedSpeechPlaysThroughLossAndReordering) {
    const TempDir dir;
    const auto law = dir / "speech.ul";
    const auto linear = dir / "speech.s16";
    ASSERT_EQ(runCommand({"sox", "-R", "-n",    "-r",  "8000",      "-c",      "1", "-e", "u-law", "-t",
                          "raw", law,  "synth", "3.6", "pinknoise", "tremolo", "3", "90", "vol",   "0.4"})
                  .exitCode,
              0);
    ASSERT_EQ(runCommand({"sox", "-t", "raw", "-r", "8000", "-c", "1", "-e", "u-law", law, "-e", "signed", "-b", "16",
                          "-t", "raw", linear})
                  .exitCode,
              0);
    const auto codes = readBytes(law);
    const auto reference = ReadSamples(linear);
    constexpr std::size_t kFrames = 150;
    ASSERT_GE(codes.size(), kFrames * 192);
    std::vector<std::size_t> arrivals;
    for (std::size_t i = 0; i < kFrames; ++i)
        if (i % 20 != 7) arrivals.push_back(i);
    for (std::size_t k = 3; k + 1 < arrivals.size(); k += 10)
        std::swap(arrivals[k], arrivals[k + 1]);

    for (const int compression : {1, 3}) {
        MixerBench bench;
        StreamHandle handle = 0;
        bench.mixer.realTimeStream(compression, false, handle);
        std::vector<std::int16_t> sent(kFrames * 192); // what the codec gives back for each frame
        std::vector<std::vector<std::uint8_t>> frames(kFrames);
        for (std::size_t i = 0; i < kFrames; ++i) {
            const std::span<const std::int16_t> samples(reference.data() + i * 192, 192);
            if (compression == 1) {
                frames[i].assign(codes.begin() + static_cast<std::ptrdiff_t>(i * 192),
                                 codes.begin() + static_cast<std::ptrdiff_t>((i + 1) * 192));
            } else {
                frames[i].resize(kRealTimeBlockBytes);
                int step = 0;
                ImaAdpcmEncode(frames[i], samples, step);
            }
            std::span<std::int16_t> out(sent.data() + i * 192, 192);
            compression == 1 ? MuLawExpand(out, frames[i]) : ImaAdpcmDecode(out, frames[i]);
        }
        std::size_t next = 0;
        double errorPower = 0, signalPower = 0;
        for (std::size_t mixed = 0; mixed < kFrames; ++mixed) {
            for (; next < arrivals.size() && next < mixed + 2; ++next)
                bench.mixer.withStreamOf<RealTimeStream>(handle, [&](RealTimeStream& s) {
                    return s.AddData(frames[arrivals[next]], static_cast<std::uint16_t>(arrivals[next]));
                });
            const auto played = bench.mix();
            const bool lost = mixed % 20 == 7;
            const std::size_t source = lost ? mixed - 1 : mixed;
            for (std::size_t i = 0; i < 192; ++i) {
                int expected = sent[source * 192 + i];
                if (lost && i < 16) expected += sent[source * 192 + 176 + i];
                ASSERT_EQ(played[i], std::clamp(expected, -32768, 32767)) << compression << " frame " << mixed;
                const double error = double(played[i]) - reference[mixed * 192 + i];
                if (!lost) {
                    errorPower += error * error;
                    signalPower += double(reference[mixed * 192 + i]) * reference[mixed * 192 + i];
                }
            }
        }
        EXPECT_GT(10 * std::log10(signalPower / std::max(errorPower, 1.0)), compression == 1 ? 90 : 15)
            << "codec error only, where no frame was lost";
    }
}

} // namespace
} // namespace kez::sonwell::test
