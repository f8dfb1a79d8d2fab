#pragma once
// The per-country tone tables: 18 tables of 35 rows. Rows 0-15 are the DTMF keys, row 16 + n is
// call-progress tone n, row 34 the last. Each row is a key word and three cadence segments.

#include <array>
#include <cstdint>

namespace kez::sonwell {

inline constexpr int kToneTableCount = 18;
inline constexpr int kToneRowCount = 35;
inline constexpr int kToneSegmentCount = 3;
inline constexpr int kFirstProgressRow = 16;

struct ToneSegment {
    std::uint16_t onSamples;   // 8000 = 1 s
    std::uint16_t offSamples;  // 0: no silent part, and the oscillators run on into the next segment
    std::uint16_t frequency1;  // Hz; the DTMF low group, weighted 3/4
    std::uint16_t frequency2;  // Hz
    std::uint16_t repeatCount; // plays before moving on; 0 counts as 1
    std::uint16_t nextSegment; // 0..2
    std::uint16_t amplitude;   // in 1/4096; 0 = unscaled

    friend constexpr bool operator==(const ToneSegment&, const ToneSegment&) = default;
};

struct ToneRow {
    std::uint16_t key; // names the row; rows are found by position
    std::array<ToneSegment, kToneSegmentCount> segments;

    friend constexpr bool operator==(const ToneRow&, const ToneRow&) = default;
};
static_assert(sizeof(ToneRow) == 44, "a row is 22 16-bit words");

// Tables 2..18 are chosen by their own number; any other number chooses table 1.
constexpr int ToneTableNumber(int nCountry) { return nCountry >= 2 && nCountry <= kToneTableCount ? nCountry : 1; }

constexpr bool IsToneRow(int nTone) { return nTone >= 0 && nTone < kToneRowCount; }

// Row nTone of the chosen table; a row number outside the table gives a silent row.
const ToneRow& LookupToneTable(int nTone, int nCountry);

// Which words of a row were given by the tone plan and which were filled in from table 1's pattern.
enum ToneWord : std::uint8_t {
    kOnWord = 1 << 0,
    kOffWord = 1 << 1,
    kFrequency1Word = 1 << 2,
    kFrequency2Word = 1 << 3,
    kRepeatWord = 1 << 4,
    kNextWord = 1 << 5,
    kAmplitudeWord = 1 << 6,
};

struct ToneRowMarks {
    std::array<std::uint8_t, kToneSegmentCount> specifiedWords; // ToneWord bits per segment

    friend constexpr bool operator==(const ToneRowMarks&, const ToneRowMarks&) = default;
};

ToneRowMarks LookupToneMarks(int nTone, int nCountry);

} // namespace kez::sonwell
