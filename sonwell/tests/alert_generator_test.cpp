#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "signal_analysis.h"
#include "sonwell/alert_generator.h"

namespace kez::sonwell {
namespace {

using Samples = std::vector<std::int16_t>;

// The first `ms` milliseconds of an alert, taken as its stream takes them: t = sample / 8.
Samples PlayAlert(int alert, int ms) {
    ToneState state;
    Samples samples(static_cast<std::size_t>(ms) * 8);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = GenerateAlertSample(alert, static_cast<int>(i / 8), state);
    }
    return samples;
}

double PairPower(std::span<const std::int16_t> slice, const AlertPair& pair) {
    return kez::test::GoertzelPower(slice, pair.frequency1) + kez::test::GoertzelPower(slice, pair.frequency2);
}

// Splits the first two seconds into the alert's time slices and checks that each slice is
// loudest at the frequencies of the pair that should play in it.
void ExpectPairPattern(int alert, const std::vector<AlertPair>& pairs, int sliceMs,
                       const std::function<std::size_t(int)>& pairAt, const std::function<int(int)>& sliceEnd) {
    const Samples samples = PlayAlert(alert, 2000);
    for (int start = 0; start < 2000;) {
        const int end = std::min(sliceEnd(start), 2000);
        const std::span<const std::int16_t> slice(samples.data() + start * 8,
                                                  static_cast<std::size_t>(end - start) * 8);
        const std::size_t expected = pairAt(start);
        for (std::size_t other = 0; other < pairs.size(); ++other) {
            if (other == expected) continue;
            ASSERT_GT(PairPower(slice, pairs[expected]), 4 * PairPower(slice, pairs[other]))
                << "alert " << alert << " at " << start << " ms, slice of " << sliceMs << " ms";
        }
        start = end;
    }
}

void ExpectAlternation(int alert, AlertPair a, AlertPair b, int bit) {
    ExpectPairPattern(
        alert, {a, b}, bit, [bit](int t) -> std::size_t { return (t & bit) != 0 ? 0 : 1; },
        [bit](int t) { return (t / bit + 1) * bit; });
}

TEST(AlertGenerator, PairsAlternateOnTheirTimeBits) {
    ExpectAlternation(0, {880, 880}, {988, 988}, 8);
    ExpectAlternation(2, {440, 440}, {554, 554}, 32);
    ExpectAlternation(3, {880, 880}, {1109, 1109}, 32);
    ExpectAlternation(4, {554, 554}, {1109, 1109}, 32);
    ExpectAlternation(5, {440, 880}, {659, 1319}, 32);
    ExpectAlternation(8, {440, 440}, {657, 657}, 32);
    ExpectAlternation(7, {440, 440}, {880, 880}, 64);
}

TEST(AlertGenerator, Alert6PlaysThreePairsInThirds) {
    const auto thirdAt = [](int t) -> std::size_t { return static_cast<std::size_t>((t % 128) / 43); };
    const auto thirdEnd = [](int t) {
        const int cycle = t - t % 128;
        const int third = (t % 128) / 43;
        return third == 2 ? cycle + 128 : cycle + 43 * (third + 1);
    };
    ExpectPairPattern(6, {{440, 440}, {554, 554}, {659, 659}}, 43, thirdAt, thirdEnd);
}

TEST(AlertGenerator, Alert9Sweeps) {
    const Samples samples = PlayAlert(9, 2000);
    for (int start = 0; start + 40 <= 2000; start += 200) {
        const std::span<const std::int16_t> window(samples.data() + start * 8, 40 * 8);
        const double low = (start + 20) / 5.0 + 800;
        const double high = low + 400;
        const double onTrack = kez::test::GoertzelPower(window, low) + kez::test::GoertzelPower(window, high);
        for (const double offset : {-120.0, 120.0}) {
            const double offTrack =
                kez::test::GoertzelPower(window, low + offset) + kez::test::GoertzelPower(window, high + offset);
            EXPECT_GT(onTrack, 4 * offTrack) << "at " << start << " ms";
        }
    }
}

// Triangle pairs peak at (2000 + 2000) x 5.
TEST(AlertGenerator, PairLevelsStayWithinTheTriangleRange) {
    for (const int alert : {0, 2, 3, 4, 5, 6, 7, 8, 9}) {
        const Samples samples = PlayAlert(alert, 6000);
        const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
        EXPECT_GE(*low, -20000) << "alert " << alert;
        EXPECT_LE(*high, 20000) << "alert " << alert;
        EXPECT_GT(*high, 15000) << "alert " << alert;
    }
}

// Other numbers step through the waveform tables, the 16-entry one while bit 6 of t is set; the
// shared position wraps by the table in use.
TEST(AlertGenerator, OtherNumbersPlayTheWaveformTables) {
    const auto table24 = AlertWaveform24();
    const auto table16 = AlertWaveform16();
    EXPECT_EQ(table24.size(), 24u);
    EXPECT_EQ(table16.size(), 16u);
    for (const int alert : {1, 10, 11, 12, 13, 15, 99, -4}) {
        const Samples samples = PlayAlert(alert, 6000);
        ASSERT_TRUE(std::equal(table24.begin(), table24.end(), samples.begin())) << "alert " << alert;
        for (int start = 0; start < 6000; start += 64) {
            const auto& table = (start & 64) != 0 ? table16 : table24;
            const std::size_t period = table.size();
            const std::size_t first = static_cast<std::size_t>(start) * 8;
            const std::size_t end = std::min(first + 64 * 8, samples.size());
            for (std::size_t i = first; i < end; ++i) {
                ASSERT_NE(std::find(table.begin(), table.end(), samples[i]), table.end())
                    << "alert " << alert << " sample " << i;
                if (i + period < end) {
                    ASSERT_EQ(samples[i], samples[i + period]) << "alert " << alert << " sample " << i;
                }
            }
        }
    }
}

TEST(AlertGenerator, WaveformPositionFromAnyStateStaysInTheTable) {
    for (const std::int16_t position : {std::int16_t{23}, std::int16_t{-7}, std::int16_t{30000}}) {
        ToneState state;
        state.phase1 = position;
        const std::int16_t sample = GenerateAlertSample(1, 64, state);
        EXPECT_NE(std::find(AlertWaveform16().begin(), AlertWaveform16().end(), sample), AlertWaveform16().end());
        EXPECT_GE(state.phase1, 0);
        EXPECT_LT(state.phase1, 16);
    }
}

TEST(AlertGenerator, Alert14IsSilent) {
    const Samples samples = PlayAlert(kSilentAlert, 6000);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}

} // namespace
} // namespace kez::sonwell
