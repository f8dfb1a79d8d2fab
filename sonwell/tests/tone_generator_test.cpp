#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "signal_analysis.h"
#include "sonwell/tone_generator.h"
#include "sonwell/tone_table.h"

namespace kez::sonwell {
namespace {

using Samples = std::vector<std::int16_t>;

Samples Play(int row, int table, std::size_t count, ToneState& state) {
    Samples samples(count);
    for (auto& sample : samples)
        sample = GenerateToneSample(row, table, state);
    return samples;
}

Samples Play(int row, int table, std::size_t count) {
    ToneState state;
    return Play(row, table, count, state);
}

// One burst as the tone plan gives it. Amplitude: 0 = unscaled, -1 = not checked.
struct Burst {
    int on;
    int off;
    int frequency1;
    int frequency2;
    int amplitude = -1;
};

// Checks the bursts in playing order: each sounds for exactly its on time with its frequencies
// (oscillator 1 at 3/4 of oscillator 2's level), then is silent for exactly its off time.
void ExpectBursts(int row, int table, const std::vector<Burst>& bursts) {
    std::size_t total = 0;
    for (const Burst& burst : bursts)
        total += static_cast<std::size_t>(burst.on + burst.off);
    const Samples samples = Play(row, table, total);
    std::size_t at = 0;
    for (std::size_t b = 0; b < bursts.size(); ++b) {
        const Burst& burst = bursts[b];
        SCOPED_TRACE(testing::Message() << "table " << table << " row " << row << " burst " << b);
        const std::span<const std::int16_t> sounding(samples.data() + at, static_cast<std::size_t>(burst.on));
        const auto stretches = kez::test::SoundingStretches(sounding);
        ASSERT_EQ(stretches.size(), 1u);
        EXPECT_EQ(stretches[0].start, 0u);
        const auto fit = kez::test::FitSinusoids(sounding.last(std::min<std::size_t>(sounding.size(), 8000)),
                                                 {double(burst.frequency1), double(burst.frequency2)});
        EXPECT_LT(fit.residualShare, 0.01) << burst.frequency1 << " + " << burst.frequency2 << " Hz";
        // A burst of whole cycles ends on a zero crossing: its last sample is zero but still sounding.
        if (stretches[0].length + 1 == sounding.size()) {
            EXPECT_NEAR(fit.ValueAt(std::min<std::size_t>(sounding.size(), 8000) - 1), 0.0, 200.0);
        } else {
            EXPECT_EQ(stretches[0].length, sounding.size());
        }
        if (burst.amplitude >= 0) {
            const double scale = burst.amplitude == 0 ? 1.0 : burst.amplitude / 4096.0;
            if (burst.frequency1 == burst.frequency2) {
                EXPECT_NEAR(fit.amplitudes[0], 17500 * scale, 350 * scale);
            } else {
                EXPECT_NEAR(fit.amplitudes[0], 7500 * scale, 150 * scale);
                EXPECT_NEAR(fit.amplitudes[1], 10000 * scale, 200 * scale);
            }
        }
        at += static_cast<std::size_t>(burst.on);
        for (int i = 0; i < burst.off; ++i, ++at)
            ASSERT_EQ(samples[at], 0) << "silent part, sample " << i;
    }
}

std::vector<Burst> Twice(const Burst& burst) { return {burst, burst}; }

TEST(ToneGenerator, Table1ProgressRowsSoundAsPlanned) {
    const std::vector<std::pair<int, std::vector<Burst>>> rows = {
        {16, Twice({8000, 0, 350, 440, 3000})},
        {17, Twice({4000, 4000, 480, 620, 0})},
        {18, Twice({2000, 2000, 480, 620, 0})},
        {19, Twice({16000, 32000, 440, 480, 0})},
        {20, Twice({8000, 8000, 1111, 999, 0})},
        {21, Twice({2000, 2000, 480, 620, 0})},
        {22, Twice({1000, 500, 350, 440, 0})},
        {23, Twice({8000, 0, 350, 440, 3000})},
        {24, Twice({8000, 0, 350, 440, 0})},
        {25, Twice({4000, 4000, 480, 620, 0})},
        {26, Twice({2000, 2000, 480, 620, 0})},
        {27, Twice({16000, 32000, 440, 480, 0})},
        {28, Twice({2000, 2000, 480, 620, 0})},
        {29, Twice({2000, 2000, 480, 620, 0})},
        {30, Twice({8000, 0, 350, 440, 3000})},
        {31, Twice({8000, 0, 350, 350, 0})},
        {32, Twice({8000, 0, 800, 800, 0})},
        {34, Twice({8000, 0, 20, 20, 0})},
        // The second segment follows without a restart, so its combined level depends on the phases.
        {33, {{10000, 0, 350, 440, 3000}, {4000, 0, 350, 350}, {10000, 0, 350, 440}, {4000, 0, 350, 350}}},
    };
    for (const auto& [row, bursts] : rows)
        ExpectBursts(row, 1, bursts);
}

TEST(ToneGenerator, DtmfRowsAreContinuousStandardPairs) {
    ExpectBursts(5, 1, Twice({8000, 0, 770, 1336, 0}));
    ExpectBursts(14, 9, Twice({8000, 0, 941, 1209, 0}));
    ExpectBursts(13, 18, Twice({8000, 0, 941, 1633, 0}));
}

// Segment 0 of tones 0-3 of tables 2-18. Segments they name without giving replay segment 0.
struct GivenTone {
    int on;
    int off;
    int frequency1;
    int frequency2;
};

TEST(ToneGenerator, CountryProgressTonesSoundAsPlanned) {
    const std::vector<std::array<GivenTone, 4>> tables = {
        {{{8000, 0, 425, 425}, {3600, 4400, 400, 400}, {4000, 4000, 425, 425}, {12000, 28000, 425, 455}}},
        {{{8000, 0, 350, 440}, {3000, 3000, 400, 400}, {3200, 2800, 400, 400}, {3200, 16000, 400, 450}}},
        {{{8000, 0, 425, 425}, {1600, 4000, 425, 425}, {1728, 1728, 425, 425}, {1440, 17600, 425, 425}}},
        {{{1600, 1600, 410, 410}, {4000, 4000, 410, 410}, {1600, 1600, 410, 410}, {8000, 32000, 350, 425}}},
        {{{8000, 0, 425, 425}, {3000, 3000, 425, 425}, {3000, 3000, 425, 425}, {3200, 1600, 400, 450}}},
        {{{8000, 0, 425, 425}, {4000, 4000, 425, 425}, {1600, 1600, 425, 425}, {8000, 32000, 425, 425}}},
        {{{8000, 0, 425, 425}, {4000, 4000, 425, 425}, {1600, 1600, 410, 410}, {12000, 24000, 410, 410}}},
        {{{8000, 0, 450, 450}, {2800, 2800, 450, 450}, {5600, 5600, 450, 450}, {8000, 32000, 450, 450}}},
        {{{8000, 0, 425, 425}, {4000, 4000, 425, 425}, {2000, 2000, 425, 425}, {9600, 37200, 425, 425}}},
        {{{8000, 0, 350, 450}, {3000, 3000, 425, 425}, {3200, 2800, 425, 425}, {3200, 1600, 425, 425}}},
        {{{8000, 0, 400, 500}, {4000, 4000, 450, 450}, {2000, 2000, 450, 450}, {8000, 32000, 400, 500}}},
        {{{8000, 0, 425, 425}, {4000, 4000, 425, 425}, {1600, 1600, 425, 425}, {8000, 32000, 425, 425}}},
        {{{8000, 0, 450, 450}, {4000, 4000, 450, 450}, {1600, 1600, 450, 450}, {16000, 32000, 450, 450}}},
        {{{8000, 0, 350, 440}, {4000, 4000, 480, 620}, {2000, 2000, 480, 620}, {3200, 1600, 440, 480}}},
        {{{8000, 0, 425, 425}, {3000, 3000, 425, 425}, {3000, 3000, 425, 425}, {3200, 1600, 400, 450}}},
        {{{8000, 0, 425, 425}, {4000, 4000, 425, 425}, {2000, 2000, 425, 425}, {8000, 32000, 425, 425}}},
        {{{8000, 0, 425, 425}, {2400, 1600, 425, 425}, {2400, 3200, 425, 425}, {8000, 32000, 425, 425}}},
    };
    for (int table = 2; table <= kToneTableCount; ++table) {
        for (int tone = 0; tone < 4; ++tone) {
            if (table == 3 && tone == 3) continue;
            const GivenTone& given = tables[static_cast<std::size_t>(table - 2)][static_cast<std::size_t>(tone)];
            ExpectBursts(kFirstProgressRow + tone, table,
                         Twice({given.on, given.off, given.frequency1, given.frequency2}));
        }
    }
    // Three segments given: 0 leads to 1, and 1 and 2 then alternate.
    const Burst longBurst{3200, 16000, 400, 450};
    const Burst shortBurst{3200, 1600, 400, 450};
    ExpectBursts(19, 3, {longBurst, shortBurst, longBurst, shortBurst, longBurst});
}

TEST(ToneGenerator, CountryNumbersOutsideTwoToEighteenUseTable1) {
    for (const int country : {0, 1, 19, -1, 1000}) {
        for (int row = 0; row < kToneRowCount; ++row) {
            EXPECT_EQ(&LookupToneTable(row, country), &LookupToneTable(row, 1)) << "country " << country;
        }
    }
    EXPECT_EQ(Play(16, 19, 4000), Play(16, 1, 4000));
    EXPECT_NE(Play(16, 2, 4000), Play(16, 1, 4000));
    EXPECT_EQ(LookupToneTable(16, 2).segments[0].frequency1, 425);
    EXPECT_EQ(LookupToneTable(16, 18).segments[0].frequency1, 425);
}

TEST(ToneGenerator, Row17AlternatesExactlyAndRestartsEachBurstAlike) {
    const Samples samples = Play(17, 1, 5 * 8000);
    const auto stretches = kez::test::SoundingStretches(samples);
    ASSERT_EQ(stretches.size(), 5u);
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        EXPECT_EQ(stretches[k].start, 8000 * k);
        EXPECT_EQ(stretches[k].length, 3999u) << "4000 samples of whole cycles, the last one a zero crossing";
        EXPECT_EQ(samples[8000 * k + 3999], 0);
        EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 4000, samples.begin() + 8000 * k)) << "burst " << k;
    }
    EXPECT_GT(samples[0], 0) << "a burst starts rising from a zero crossing";
    EXPECT_TRUE(kez::test::SoundingStretches(Play(16, 1, 40000)).size() == 1) << "row 16 never goes silent";
}

TEST(ToneGenerator, RepeatWordsCountPlays) {
    // Row 33 of table 1: repeat word 0 plays once, then moves on.
    ToneState state;
    Play(33, 1, 10000, state);
    EXPECT_EQ(state.segment, 0);
    Play(33, 1, 1, state);
    EXPECT_EQ(state.segment, 1);
    Play(33, 1, 4000, state);
    EXPECT_EQ(state.segment, 0);
    EXPECT_EQ(LookupToneTable(33, 1).segments[0].repeatCount, 0) << "the table is left as it was";

    // Table 8's busy tone plays segment 0 twice, table 14's three times, before segment 1.
    for (const auto& [table, plays] : {std::pair{8, 2}, std::pair{14, 3}}) {
        ToneState busy;
        Play(18, table, 3200u * plays, busy);
        EXPECT_EQ(busy.segment, 0) << "table " << table;
        Play(18, table, 1, busy);
        EXPECT_EQ(busy.segment, 1) << "table " << table;
    }
}

// Where an oscillator stands after `steps` phase units from a fresh start: 2000 units a quarter
// wave, rising, falling, then the same below zero.
struct OscillatorPosition {
    int phase;
    int direction;
    int sign;
};

OscillatorPosition PositionAfter(long steps) {
    const long inCycle = steps % 8000;
    const long quarter = inCycle / 2000;
    return {static_cast<int>(inCycle % 2000), quarter % 2 == 0 ? 1 : -1, quarter < 2 ? 1 : -1};
}

void ExpectOscillator1At(const ToneState& state, long steps) {
    const OscillatorPosition expected = PositionAfter(steps);
    EXPECT_EQ(state.phase1, expected.phase);
    EXPECT_EQ(state.direction1, expected.direction);
    EXPECT_EQ(state.sign1, expected.sign);
}

TEST(ToneGenerator, SegmentWithoutSilenceRunsOnWithoutPhaseRestart) {
    // Row 33: 10000 samples of 350 + 440 Hz, then 4000 of 350 + 350 Hz; oscillator 1 stays at 350 Hz
    // throughout and, half-way through a cycle at the change, must carry on from there.
    ToneState state;
    Play(33, 1, 10000, state);
    ExpectOscillator1At(state, 350L * 10000);
    Play(33, 1, 4001, state);
    ExpectOscillator1At(state, 350L * 14001);
}

TEST(ToneGenerator, SegmentWithSilenceRestartsRising) {
    ToneState state;
    Play(19, 1, 48000, state);
    ExpectOscillator1At(state, 440L * 16000);
    Play(19, 1, 1, state);
    ExpectOscillator1At(state, 440);
}

TEST(ToneGenerator, SilentAndUnknownTonesLeaveTheStateAlone) {
    ToneState state;
    Play(22, 5, 1234, state);
    const ToneState before = state;
    for (const int tone : {kSilentTone, kToneRowCount, -1, 239, 241, 100000}) {
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(GenerateToneSample(tone, 5, state), 0) << "tone " << tone;
        EXPECT_EQ(state, before) << "tone " << tone;
        EXPECT_EQ(LookupToneTable(tone, 5), ToneRow{}) << "tone " << tone;
    }
}

TEST(ToneGenerator, TablesAreConstantData) {
    static_assert(std::is_same_v<decltype(LookupToneTable(0, 0)), const ToneRow&>);
    const ToneRow before = LookupToneTable(33, 7);
    for (int table = 1; table <= kToneTableCount; ++table) {
        for (int row = 0; row < kToneRowCount; ++row)
            Play(row, table, 200);
    }
    EXPECT_EQ(LookupToneTable(33, 7), before);
}

} // namespace
} // namespace kez::sonwell
