#include <gtest/gtest.h>

#include "sonwell/tone_table.h"

namespace kez::sonwell {
namespace {

constexpr std::uint8_t kGivenSegment = kOnWord | kOffWord | kFrequency1Word | kFrequency2Word | kRepeatWord | kNextWord;
constexpr std::uint8_t kAllWords = kGivenSegment | kAmplitudeWord;

const ToneSegment& First(int row, int table) { return LookupToneTable(row, table).segments[0]; }

// The row's segments with the amplitude left out, to compare sounds across amplitudes.
ToneRow WithoutAmplitude(ToneRow row) {
    for (ToneSegment& segment : row.segments)
        segment.amplitude = 0;
    return row;
}

TEST(ToneTables, KeyWordsAndDtmfRowsAreTheSameEverywhere) {
    const char* keys = "0123456789ABCD*#";
    const std::uint16_t progressKeys[] = {0, 1, 2, 3, 5, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 34};
    for (int table = 1; table <= kToneTableCount; ++table) {
        for (int row = 0; row < 16; ++row) {
            const ToneRow& tone = LookupToneTable(row, table);
            EXPECT_EQ(tone, LookupToneTable(row, 1));
            EXPECT_EQ(tone.key, static_cast<std::uint16_t>(keys[row]));
            EXPECT_EQ(tone.segments[0].onSamples, 8000);
            EXPECT_EQ(tone.segments[0].offSamples, 0);
            EXPECT_EQ(tone.segments[0].amplitude, 0);
            EXPECT_LT(tone.segments[0].frequency1, tone.segments[0].frequency2) << "low group first";
            EXPECT_EQ(LookupToneMarks(row, table), (ToneRowMarks{{kGivenSegment, 0, 0}}));
        }
        for (int row = kFirstProgressRow; row < kToneRowCount; ++row) {
            EXPECT_EQ(LookupToneTable(row, table).key, progressKeys[row - kFirstProgressRow]) << "row " << row;
        }
    }
}

TEST(ToneTables, Table1IsGivenInFull) {
    for (int row = kFirstProgressRow; row < kToneRowCount; ++row) {
        const std::uint8_t second = row == 33 ? kAllWords : 0;
        EXPECT_EQ(LookupToneMarks(row, 1), (ToneRowMarks{{kAllWords, second, 0}})) << "row " << row;
    }
}

// Other rows of tables 2-18 follow table 1's row: a row that sounds like table 1's tone k takes the
// country's tone k whole, with table 1's amplitude; one that only shares its frequencies takes the
// country's frequencies and keeps its cadence; the rest are table 1's rows.
TEST(ToneTables, OtherRowsFollowTable1WithTheCountrysTones) {
    for (int table = 2; table <= kToneTableCount; ++table) {
        SCOPED_TRACE(testing::Message() << "table " << table);
        const auto sameSoundAs = [&](int row, int model) {
            EXPECT_EQ(WithoutAmplitude(LookupToneTable(row, table)).segments,
                      WithoutAmplitude(LookupToneTable(model, table)).segments)
                << "row " << row;
        };
        for (const int row : {23, 24, 30})
            sameSoundAs(row, 16);
        sameSoundAs(25, 17);
        for (const int row : {21, 26, 28, 29})
            sameSoundAs(row, 18);
        sameSoundAs(27, 19);
        for (const int row : {20, 31, 32, 34})
            EXPECT_EQ(LookupToneTable(row, table), LookupToneTable(row, 1));

        const ToneSegment& dial = First(16, table);
        const ToneSegment& stutter = First(22, table);
        EXPECT_EQ(stutter.onSamples, 1000);
        EXPECT_EQ(stutter.offSamples, 500);
        EXPECT_EQ(stutter.frequency1, dial.frequency1);
        EXPECT_EQ(stutter.frequency2, dial.frequency2);
        const ToneRow& special = LookupToneTable(33, table);
        EXPECT_EQ(special.segments[0].onSamples, 10000);
        EXPECT_EQ(special.segments[0].frequency1, dial.frequency1);
        EXPECT_EQ(special.segments[0].frequency2, dial.frequency2);
        EXPECT_EQ(special.segments[1], LookupToneTable(33, 1).segments[1]);

        for (const int row : {16, 23, 30, 33})
            EXPECT_EQ(First(row, table).amplitude, 3000) << "row " << row;
        for (const int row : {17, 18, 19, 24, 25})
            EXPECT_EQ(First(row, table).amplitude, 0) << "row " << row;
        for (int row = 20; row < kToneRowCount; ++row)
            EXPECT_EQ(LookupToneMarks(row, table), ToneRowMarks{});
        EXPECT_EQ(LookupToneMarks(17, table).specifiedWords[0], kGivenSegment);
    }
}

TEST(ToneTables, NamedSegmentsThatAreNotGivenReplaySegment0) {
    // Table 5 dial: 1600/1600 at 410 Hz, next 1.
    const ToneRow& dial = LookupToneTable(16, 5);
    EXPECT_EQ(dial.segments[0], (ToneSegment{1600, 1600, 410, 410, 0, 1, 3000}));
    EXPECT_EQ(dial.segments[1], (ToneSegment{1600, 1600, 410, 410, 0, 0, 3000}));
    EXPECT_EQ(LookupToneMarks(16, 5), (ToneRowMarks{{kGivenSegment, 0, 0}}));
    // Table 8 busy: repeat 2, next 1.
    EXPECT_EQ(LookupToneTable(18, 8).segments[0], (ToneSegment{1600, 1600, 410, 410, 2, 1, 0}));
    EXPECT_EQ(LookupToneTable(18, 8).segments[1], (ToneSegment{1600, 1600, 410, 410, 0, 0, 0}));
    // Table 3 ringback: the cadence of segments 1 and 2 is given, their frequencies are segment 0's.
    const ToneRow& ringback = LookupToneTable(19, 3);
    EXPECT_EQ(ringback.segments[0], (ToneSegment{3200, 16000, 400, 450, 0, 1, 0}));
    EXPECT_EQ(ringback.segments[1], (ToneSegment{3200, 1600, 400, 450, 0, 2, 0}));
    EXPECT_EQ(ringback.segments[2], (ToneSegment{3200, 16000, 400, 450, 0, 1, 0}));
    const std::uint8_t cadence = kOnWord | kOffWord | kNextWord;
    EXPECT_EQ(LookupToneMarks(19, 3), (ToneRowMarks{{kGivenSegment, cadence, cadence}}));
    // Rows made like it carry the whole cadence along.
    EXPECT_EQ(LookupToneTable(27, 3).segments, ringback.segments);
}

} // namespace
} // namespace kez::sonwell
