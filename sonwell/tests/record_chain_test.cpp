#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "high_pass_filter.h"
#include "record_chain.h"
#include "signal_analysis.h"
#include "silence_detector.h"
#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"

namespace kez::sonwell {
namespace {

constexpr double kRate = 8000;

std::vector<std::int16_t> Sine(double frequency, double amplitude, std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t n = 0; n < count; ++n)
        samples[n] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * n / kRate)));
    return samples;
}

// |H(e^jw)| in dB of y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2], worked out
// from the transfer function rather than by running the filter.
double ResponseDb(double frequency) {
    const auto z1 = std::polar(1.0, -2 * std::numbers::pi * frequency / kRate);
    const auto z2 = z1 * z1;
    const auto h = (0.846459 + -1.69292 * z1 + 0.846459 * z2) / (1.0 - 1.6692 * z1 - -0.716634 * z2);
    return 20 * std::log10(std::abs(h));
}

double MeasuredDb(double frequency) {
    constexpr double kAmplitude = 16000;
    auto samples = Sine(frequency, kAmplitude, 8000);
    HighPassFilter filter;
    // Several calls, so the history carried between buffers is part of what is measured.
    for (std::size_t at = 0; at < samples.size(); at += 192)
        filter.apply(std::span(samples).subspan(at, std::min<std::size_t>(192, samples.size() - at)));
    const auto settled = std::span<const std::int16_t>(samples).subspan(4000);
    const auto fit = test::FitSinusoids(settled, {frequency});
    return 20 * std::log10(fit.amplitudes[0] / kAmplitude);
}

TEST(HighPassFilter, ResponseOnSinesMatchesTheDifferenceEquation) {
    for (const double frequency : {50.0, 100.0, 200.0, 300.0, 400.0, 600.0, 1000.0, 2000.0, 3400.0}) {
        SCOPED_TRACE(frequency);
        EXPECT_NEAR(MeasuredDb(frequency), ResponseDb(frequency), 0.2);
    }
    // The coefficients make a 300 Hz cut-off that takes about 31 dB off mains hum.
    EXPECT_NEAR(ResponseDb(300), -3.0, 0.1);
    EXPECT_NEAR(ResponseDb(50), -31.0, 0.5);
}

TEST(HighPassFilter, FullScaleInputSaturatesInsteadOfWrapping) {
    std::vector<std::int16_t> square(800);
    for (std::size_t n = 0; n < square.size(); ++n)
        square[n] = (n / 20) % 2 ? -32768 : 32767; // 200 Hz
    auto filtered = square;
    HighPassFilter filter;
    filter.apply(filtered);
    int clippedHigh = 0, clippedLow = 0;
    for (std::size_t n = 1; n < filtered.size(); ++n) {
        // Each edge overshoots past full scale; a wrapped sample would show the opposite sign.
        if (square[n] != square[n - 1]) {
            EXPECT_EQ(filtered[n], square[n]) << n;
        }
        clippedHigh += filtered[n] == 32767;
        clippedLow += filtered[n] == -32768;
    }
    EXPECT_GT(clippedHigh, 10);
    EXPECT_GT(clippedLow, 10);
}

// One buffer of 192 samples at `level`: silence but for a peak and its mirror, so the mean stays 0.
std::vector<std::int16_t> BufferAtLevel(int level) {
    std::vector<std::int16_t> samples(192, 0);
    samples[7] = static_cast<std::int16_t>(level);
    samples[9] = static_cast<std::int16_t>(-level);
    return samples;
}

struct Burst {
    int level;
    int buffers;
};

// The events of a recording with silence detection: D DataReady, S SilenceDetected, . nothing.
std::string Events(const std::vector<Burst>& script, int noiseFloor = 50) {
    RecordChain chain({.captureSamples = 192, .sendBytes = 192, .detectSilence = true, .noiseFloor = noiseFloor});
    std::string events;
    for (const auto& burst : script) {
        for (int i = 0; i < burst.buffers; ++i) {
            auto buffer = BufferAtLevel(burst.level);
            const auto event = chain.process(buffer);
            events += event == FrameEvent::DataReady ? 'D' : event == FrameEvent::SilenceDetected ? 'S' : '.';
        }
    }
    return events;
}

std::string Repeat(char c, int count) { return std::string(static_cast<std::size_t>(count), c); }
std::string Repeat(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

TEST(SilenceDetector, LevelIsThePeakAgainstTheIntegerMean) {
    EXPECT_EQ(SilenceDetector::levelOf(std::vector<std::int16_t>(192, 1234)), 0);
    EXPECT_EQ(SilenceDetector::levelOf(std::vector<std::int16_t>{-32768, 32767}), 32768); // mean 0, first peak
    EXPECT_EQ(SilenceDetector::levelOf(std::vector<std::int16_t>{5, -9, 9, 1}), 10);      // mean 6/4 = 1
}

TEST(SilenceDetector, ScriptedRecordings) {
    constexpr int kTalk = 2000;
    const struct {
        const char* name;
        std::vector<Burst> script;
        std::string expected;
        int noiseFloor = 50;
    } rows[] = {
        {"constant input is silence from the start", {{0, 4}}, "DDS."},
        {"floor 50: level 101 is speech", {{101, 1}, {0, 3}}, "DDDS"},
        {"floor 50: level 100 is not", {{100, 4}}, "DDS."},
        {"one talking buffer: two hangover frames, a report, 80 held, a report",
         {{kTalk, 1}, {0, 84}},
         "D" + Repeat('D', 2) + "S" + Repeat('.', 80) + "S"},
        {"a report every 81 buffers while silence lasts",
         {{kTalk, 1}, {0, 165}},
         "DDDS" + Repeat(Repeat('.', 80) + "S", 2)},
        {"two talking buffers keep the short hangover", {{kTalk, 2}, {0, 3}}, "DDDDS"},
        {"three talking buffers give a 20-buffer hangover", {{kTalk, 3}, {0, 22}}, "DDD" + Repeat('D', 20) + "S."},
        {"speech ends the silence at once", {{kTalk, 1}, {0, 6}, {kTalk, 1}}, "DDDS...D"},
        {"speech during the hangover restarts it", {{kTalk, 1}, {0, 1}, {kTalk, 1}, {0, 3}}, "DDDDDS"},
        {"quiet noise raises the floor, so 150 is silence after it", {{80, 40}, {150, 2}}, "DDS" + Repeat('.', 39)},
        {"floor 400: level 801 is speech", {{801, 1}, {0, 3}}, "DDDS", 400},
        {"floor 400: level 800 is not", {{800, 4}}, "DDS.", 400},
        {"above 1024 is speech whatever the floor", {{1025, 1}, {0, 3}}, "DDDS", 30000},
        {"a negative floor counts as 0", {{1, 1}, {0, 3}}, "DDDS", -5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Events(row.script, row.noiseFloor), row.expected);
    }
}

TEST(RecordChain, FramesHaveTheSentLengthWhateverTheEncodedLength) {
    const struct {
        int code;
        std::int32_t capture, send;
        std::size_t encoded;
    } rows[] = {
        {1, 192, 192, 192}, // mu-law call audio
        {2, 192, 100, 100}, // IMA ADPCM call audio
        {3, 505, 256, 256}, // reliable
        {1, 192, 100, 192}, // the encode buffer holds the whole frame even when less is sent
        {2, 192, 192, 100}, // zero-padded
        {1, 2, 1, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.code << " " << row.capture << " " << row.send);
        RecordChain chain({.captureSamples = row.capture, .sendBytes = row.send, .compressionCode = row.code});
        auto samples = Sine(1000, 8000, static_cast<std::size_t>(row.capture));
        auto filtered = samples;
        HighPassFilter().apply(filtered);
        ASSERT_EQ(chain.process(samples), FrameEvent::DataReady);
        EXPECT_EQ(samples, filtered);
        std::vector<std::uint8_t> expected(std::max<std::size_t>(row.encoded, static_cast<std::size_t>(row.send)));
        int stepIndex = 0;
        if (row.code == 1)
            MuLawCompress(expected, filtered);
        else
            ImaAdpcmEncode(expected, filtered, stepIndex);
        expected.resize(static_cast<std::size_t>(row.send));
        const auto frame = chain.frame();
        EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.end()), expected);
    }
}

TEST(RecordChain, ImaStepIndexRunsOnFromFrameToFrame) {
    RecordChain chain({.captureSamples = 192, .sendBytes = 100, .compressionCode = 2});
    auto first = Sine(700, 12000, 384);
    auto second = std::vector<std::int16_t>(first.begin() + 192, first.end());
    first.resize(192);
    auto filtered = first;
    HighPassFilter().apply(filtered);
    std::vector<std::uint8_t> block(100);
    int stepIndex = 0;
    ImaAdpcmEncode(block, filtered, stepIndex);
    ASSERT_GT(stepIndex, 0);
    chain.process(first);
    chain.process(second);
    EXPECT_EQ(chain.frame()[2], stepIndex);
}

TEST(RecordChain, RefusesSizesThatCannotMakeAFrame) {
    const struct {
        std::int32_t capture, send;
        bool refused;
    } rows[] = {{192, 192, false}, {2, 1, false},     {1, 192, true},
                {0, 192, true},    {-192, 192, true}, {kMaxCaptureSamples + 1, 192, true},
                {192, 0, true},    {192, -1, true},   {192, kMaxSendBytes + 1, true}};
    for (const auto& row : rows)
        EXPECT_EQ(refusedSizes({.captureSamples = row.capture, .sendBytes = row.send}) != nullptr, row.refused)
            << row.capture << " " << row.send;
}

} // namespace
} // namespace kez::sonwell
