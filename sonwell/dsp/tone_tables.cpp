#include <cstddef>

#include "sonwell/tone_table.h"

// Table 1 and the tones 0-3 of tables 2-18 are the tone plan as given. Every other row of tables
// 2-18 follows table 1's row at the same position: where that row sounds like one of table 1's
// tones 0-3 (same frequencies and cadence), it takes the country's own tone in full; where it only
// shares the frequencies, it takes the country's frequencies and keeps its own cadence. Amplitudes
// always come from table 1. The marks record which words the plan gave.

namespace kez::sonwell {
namespace {

constexpr std::uint8_t kAllWords = 0x7F;
constexpr std::uint8_t kAllButAmplitude = kAllWords & ~kAmplitudeWord;
constexpr std::uint8_t kCadenceWords = kOnWord | kOffWord | kNextWord;

constexpr ToneSegment Seg(std::uint16_t on, std::uint16_t off, std::uint16_t f1, std::uint16_t f2,
                          std::uint16_t amplitude = 0, std::uint16_t next = 0, std::uint16_t repeat = 0) {
    return ToneSegment{on, off, f1, f2, repeat, next, amplitude};
}

constexpr ToneRow Row(std::uint16_t key, ToneSegment first, ToneSegment second = {}) {
    return ToneRow{key, {first, second, ToneSegment{}}};
}

// Standard DTMF pairs, low group first, continuous and unscaled.
struct DtmfKey {
    char key;
    std::uint16_t low;
    std::uint16_t high;
};

constexpr std::array<DtmfKey, 16> kDtmfKeys = {{
    {'0', 941, 1336},
    {'1', 697, 1209},
    {'2', 697, 1336},
    {'3', 697, 1477},
    {'4', 770, 1209},
    {'5', 770, 1336},
    {'6', 770, 1477},
    {'7', 852, 1209},
    {'8', 852, 1336},
    {'9', 852, 1477},
    {'A', 697, 1633},
    {'B', 770, 1633},
    {'C', 852, 1633},
    {'D', 941, 1633},
    {'*', 941, 1209},
    {'#', 941, 1477},
}};

// Rows 16-34 of table 1.
constexpr std::array<ToneRow, kToneRowCount - kFirstProgressRow> kTable1ProgressRows = {{
    Row(0, Seg(8000, 0, 350, 440, 3000)),  Row(1, Seg(4000, 4000, 480, 620)),
    Row(2, Seg(2000, 2000, 480, 620)),     Row(3, Seg(16000, 32000, 440, 480)),
    Row(5, Seg(8000, 8000, 1111, 999)),    Row(4, Seg(2000, 2000, 480, 620)),
    Row(6, Seg(1000, 500, 350, 440)),      Row(7, Seg(8000, 0, 350, 440, 3000)),
    Row(8, Seg(8000, 0, 350, 440)),        Row(9, Seg(4000, 4000, 480, 620)),
    Row(10, Seg(2000, 2000, 480, 620)),    Row(11, Seg(16000, 32000, 440, 480)),
    Row(12, Seg(2000, 2000, 480, 620)),    Row(13, Seg(2000, 2000, 480, 620)),
    Row(14, Seg(8000, 0, 350, 440, 3000)), Row(15, Seg(8000, 0, 350, 350)),
    Row(16, Seg(8000, 0, 800, 800)),       Row(17, Seg(10000, 0, 350, 440, 3000, 1), Seg(4000, 0, 350, 350, 3000, 0)),
    Row(34, Seg(8000, 0, 20, 20)),
}};

// A country's call-progress tone as the plan gives it: segment 0, and for a few tones the cadence
// of the further segments.
struct GivenCadence {
    std::uint16_t on;
    std::uint16_t off;
    std::uint16_t next;
};

struct GivenTone {
    ToneSegment first;
    std::array<GivenCadence, 2> further{};
    std::size_t furtherCount = 0;
};

constexpr GivenTone Tone(std::uint16_t on, std::uint16_t off, std::uint16_t f1, std::uint16_t f2,
                         std::uint16_t next = 0, std::uint16_t repeat = 0) {
    return GivenTone{Seg(on, off, f1, f2, 0, next, repeat)};
}

constexpr GivenTone Tone(std::uint16_t on, std::uint16_t off, std::uint16_t f) { return Tone(on, off, f, f); }

using CountryTones = std::array<GivenTone, 4>;

// Tones 0-3 of tables 2-18.
constexpr std::array<CountryTones, kToneTableCount - 1> kCountryTones = {{
    /*  2 */ {Tone(8000, 0, 425), Tone(3600, 4400, 400), Tone(4000, 4000, 425), Tone(12000, 28000, 425, 455)},
    /*  3 */
    {Tone(8000, 0, 350, 440), Tone(3000, 3000, 400), Tone(3200, 2800, 400),
     GivenTone{Seg(3200, 16000, 400, 450, 0, 1), {{{3200, 1600, 2}, {3200, 16000, 1}}}, 2}},
    /*  4 */ {Tone(8000, 0, 425), Tone(1600, 4000, 425), Tone(1728, 1728, 425), Tone(1440, 17600, 425, 425, 1)},
    /*  5 */ {Tone(1600, 1600, 410, 410, 1), Tone(4000, 4000, 410), Tone(1600, 1600, 410), Tone(8000, 32000, 350, 425)},
    /*  6 */ {Tone(8000, 0, 425), Tone(3000, 3000, 425), Tone(3000, 3000, 425, 425, 1), Tone(3200, 1600, 400, 450, 1)},
    /*  7 */ {Tone(8000, 0, 425), Tone(4000, 4000, 425), Tone(1600, 1600, 425), Tone(8000, 32000, 425)},
    /*  8 */ {Tone(8000, 0, 425), Tone(4000, 4000, 425), Tone(1600, 1600, 410, 410, 1, 2), Tone(12000, 24000, 410)},
    /*  9 */ {Tone(8000, 0, 450), Tone(2800, 2800, 450), Tone(5600, 5600, 450), Tone(8000, 32000, 450)},
    /* 10 */ {Tone(8000, 0, 425), Tone(4000, 4000, 425), Tone(2000, 2000, 425), Tone(9600, 37200, 425)},
    /* 11 */
    {Tone(8000, 0, 350, 450), Tone(3000, 3000, 425), Tone(3200, 2800, 425, 425, 1), Tone(3200, 1600, 425, 425, 1)},
    /* 12 */ {Tone(8000, 0, 400, 500), Tone(4000, 4000, 450), Tone(2000, 2000, 450), Tone(8000, 32000, 400, 500)},
    /* 13 */ {Tone(8000, 0, 425), Tone(4000, 4000, 425), Tone(1600, 1600, 425), Tone(8000, 32000, 425)},
    /* 14 */ {Tone(8000, 0, 450), Tone(4000, 4000, 450), Tone(1600, 1600, 450, 450, 1, 3), Tone(16000, 32000, 450)},
    /* 15 */
    {Tone(8000, 0, 350, 440), Tone(4000, 4000, 480, 620), Tone(2000, 2000, 480, 620), Tone(3200, 1600, 440, 480, 1)},
    /* 16 */ {Tone(8000, 0, 425), Tone(3000, 3000, 425), Tone(3000, 3000, 425, 425, 1), Tone(3200, 1600, 400, 450, 1)},
    /* 17 */ {Tone(8000, 0, 425), Tone(4000, 4000, 425), Tone(2000, 2000, 425), Tone(8000, 32000, 425)},
    /* 18 */ {Tone(8000, 0, 425), Tone(2400, 1600, 425), Tone(2400, 3200, 425), Tone(8000, 32000, 425)},
}};

struct TableEntry {
    ToneRow row;
    ToneRowMarks marks;
};

using ToneTable = std::array<TableEntry, kToneRowCount>;

constexpr TableEntry DtmfEntry(const DtmfKey& key) {
    return {Row(static_cast<std::uint16_t>(key.key), Seg(8000, 0, key.low, key.high)), {{kAllButAmplitude, 0, 0}}};
}

constexpr TableEntry GivenEntry(const ToneRow& row) {
    TableEntry entry{row, {}};
    for (std::size_t s = 0; s < row.segments.size(); ++s) {
        if (row.segments[s] != ToneSegment{}) entry.marks.specifiedWords[s] = kAllWords;
    }
    return entry;
}

constexpr ToneTable BuildTable1() {
    ToneTable table{};
    for (std::size_t k = 0; k < kDtmfKeys.size(); ++k)
        table[k] = DtmfEntry(kDtmfKeys[k]);
    for (std::size_t i = 0; i < kTable1ProgressRows.size(); ++i) {
        table[kFirstProgressRow + i] = GivenEntry(kTable1ProgressRows[i]);
    }
    return table;
}

// A segment that is named but not given replays segment 0 once and returns to segment 0.
constexpr TableEntry ExpandTone(std::uint16_t key, const GivenTone& tone, std::uint16_t amplitude) {
    const ToneSegment& first = tone.first;
    TableEntry entry{Row(key, first), {{kAllButAmplitude, 0, 0}}};
    auto& segments = entry.row.segments;
    segments[0].amplitude = amplitude;
    for (std::size_t i = 0; i < tone.furtherCount; ++i) {
        const GivenCadence& cadence = tone.further[i];
        segments[i + 1] = Seg(cadence.on, cadence.off, first.frequency1, first.frequency2, amplitude, cadence.next);
        entry.marks.specifiedWords[i + 1] = kCadenceWords;
    }
    const std::size_t given = 1 + tone.furtherCount;
    for (std::size_t i = 0; i < given; ++i) {
        const std::size_t next = segments[i].nextSegment;
        if (next >= given)
            segments[next] = Seg(first.onSamples, first.offSamples, first.frequency1, first.frequency2, amplitude);
    }
    return entry;
}

constexpr bool SameSound(ToneSegment a, ToneSegment b) {
    a.amplitude = b.amplitude = 0;
    return a == b;
}

constexpr bool SameFrequencies(const ToneSegment& a, const ToneSegment& b) {
    return a.frequency1 == b.frequency1 && a.frequency2 == b.frequency2;
}

// The tone 0-3 of table 1 that `row` sounds like, or -1.
constexpr int ToneLike(const ToneRow& row, const ToneTable& table1) {
    for (int tone = 0; tone < 4; ++tone) {
        const auto& model = table1[kFirstProgressRow + tone].row.segments;
        bool same = true;
        for (std::size_t s = 0; s < model.size(); ++s)
            same = same && SameSound(row.segments[s], model[s]);
        if (same) return tone;
    }
    return -1;
}

constexpr int ToneWithFrequencies(const ToneSegment& segment, const ToneTable& table1) {
    for (int tone = 0; tone < 4; ++tone) {
        if (SameFrequencies(segment, table1[kFirstProgressRow + tone].row.segments[0])) return tone;
    }
    return -1;
}

constexpr TableEntry FillEntry(int position, const CountryTones& tones, const ToneTable& table1) {
    const ToneRow& pattern = table1[position].row;
    const std::uint16_t amplitude = pattern.segments[0].amplitude;
    if (position < kFirstProgressRow) return table1[position];
    if (position < kFirstProgressRow + 4)
        return ExpandTone(pattern.key, tones[position - kFirstProgressRow], amplitude);
    if (const int tone = ToneLike(pattern, table1); tone >= 0) {
        return TableEntry{ExpandTone(pattern.key, tones[tone], amplitude).row, {}};
    }
    TableEntry entry{pattern, {}};
    for (ToneSegment& segment : entry.row.segments) {
        if (const int tone = ToneWithFrequencies(segment, table1); tone >= 0) {
            segment.frequency1 = tones[tone].first.frequency1;
            segment.frequency2 = tones[tone].first.frequency2;
        }
    }
    return entry;
}

constexpr std::array<ToneTable, kToneTableCount> BuildTables() {
    std::array<ToneTable, kToneTableCount> tables{};
    tables[0] = BuildTable1();
    for (std::size_t t = 1; t < tables.size(); ++t) {
        for (int position = 0; position < kToneRowCount; ++position) {
            tables[t][position] = FillEntry(position, kCountryTones[t - 1], tables[0]);
        }
    }
    return tables;
}

constexpr std::array<ToneTable, kToneTableCount> kToneTables = BuildTables();

// The generator relies on these: segments chain within the row, every segment reached sounds,
// frequencies stay below 2000 Hz and a cadence fits the 16-bit sample count.
constexpr bool SegmentIsPlayable(const ToneSegment& segment) {
    return segment.nextSegment < kToneSegmentCount && segment.onSamples > 0 && segment.frequency1 < 2000 &&
           segment.frequency2 < 2000 && segment.onSamples + segment.offSamples < 0xFFFF;
}

constexpr bool RowIsPlayable(const ToneRow& row) {
    std::size_t segment = 0;
    for (int step = 0; step < kToneSegmentCount; ++step) {
        if (!SegmentIsPlayable(row.segments[segment])) return false;
        segment = row.segments[segment].nextSegment;
    }
    return true;
}

constexpr bool TablesArePlayable() {
    for (const ToneTable& table : kToneTables) {
        for (const TableEntry& entry : table) {
            if (!RowIsPlayable(entry.row)) return false;
        }
    }
    return true;
}
static_assert(TablesArePlayable());

constexpr ToneRow kSilentRow{};

} // namespace

const ToneRow& LookupToneTable(int nTone, int nCountry) {
    if (!IsToneRow(nTone)) return kSilentRow;
    return kToneTables[ToneTableNumber(nCountry) - 1][nTone].row;
}

ToneRowMarks LookupToneMarks(int nTone, int nCountry) {
    if (!IsToneRow(nTone)) return {};
    return kToneTables[ToneTableNumber(nCountry) - 1][nTone].marks;
}

} // namespace kez::sonwell
