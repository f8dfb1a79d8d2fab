#include "sonwell/alert_generator.h"

namespace kez::sonwell {
namespace {

constexpr std::array<AlertRow, kAlertCount> kAlerts = {{
    {{880, 880}, {988, 988}, {0, 0}},
    {{0, 0}, {0, 0}, {0, 0}},
    {{440, 440}, {554, 554}, {0, 0}},
    {{880, 880}, {1109, 1109}, {0, 0}},
    {{554, 554}, {1109, 1109}, {0, 0}},
    {{440, 880}, {659, 1319}, {0, 0}},
    {{440, 440}, {554, 554}, {659, 659}},
    {{440, 440}, {880, 880}, {0, 0}},
    {{440, 440}, {657, 657}, {0, 0}},
    {{800, 1200}, {0, 0}, {0, 0}},
}};

constexpr std::array<std::int16_t, 24> kWaveform24 = {6908,  -748,  -14460, -11900, 2108,  7676,  -6140,  260,
                                                      14972, 14460, -3260,  -9340,  6140,  -1308, -14460, -11900,
                                                      1980,  7420,  -5884,  716,    15484, 14972, -3004,  -9340};

constexpr std::array<std::int16_t, 16> kWaveform16 = {652,  12412,  8316,   9852,   14972,  11388,  9852,  13436,
                                                      -492, -16764, -10364, -11388, -14460, -10364, -8316, -8828};

constexpr int kTriangleCycle = 8000;

int Triangle(std::int16_t& phase, int frequency) {
    const int next = ((phase + frequency) % kTriangleCycle + kTriangleCycle) % kTriangleCycle;
    phase = static_cast<std::int16_t>(next);
    return next <= 4000 ? next - 2000 : 6000 - next;
}

std::int16_t PlayPair(int frequency1, int frequency2, ToneState& state) {
    return static_cast<std::int16_t>((Triangle(state.phase1, frequency1) + Triangle(state.phase2, frequency2)) * 5);
}

std::int16_t PlayPair(const AlertPair& pair, ToneState& state) {
    return PlayPair(pair.frequency1, pair.frequency2, state);
}

// The position shares phase1; the tables differ in length, so it wraps by the table in use.
std::int16_t PlayWaveform(int tMs, ToneState& state) {
    const std::span<const std::int16_t> table = (tMs & 64) != 0 ? AlertWaveform16() : AlertWaveform24();
    const int size = static_cast<int>(table.size());
    const int index = (state.phase1 % size + size) % size;
    state.phase1 = static_cast<std::int16_t>((index + 1) % size);
    return table[index];
}

const AlertPair& ThirdOf(const AlertRow& row, int tMs) {
    switch ((tMs % 128) / 43) {
    case 0: return row.a;
    case 1: return row.b;
    default: return row.c;
    }
}

} // namespace

const std::array<AlertRow, kAlertCount>& AlertTable() { return kAlerts; }
std::span<const std::int16_t> AlertWaveform24() { return kWaveform24; }
std::span<const std::int16_t> AlertWaveform16() { return kWaveform16; }

std::int16_t GenerateAlertSample(int nAlert, int tMs, ToneState& state) {
    switch (nAlert) {
    case 0: return PlayPair((tMs & 8) != 0 ? kAlerts[0].a : kAlerts[0].b, state);
    case 2:
    case 3:
    case 4:
    case 5:
    case 8: return PlayPair((tMs & 32) != 0 ? kAlerts[nAlert].a : kAlerts[nAlert].b, state);
    case 7: return PlayPair((tMs & 64) != 0 ? kAlerts[7].a : kAlerts[7].b, state);
    case 6: return PlayPair(ThirdOf(kAlerts[6], tMs), state);
    case 9: return PlayPair(tMs / 5 + 800, tMs / 5 + 1200, state);
    case kSilentAlert: return 0;
    default: return PlayWaveform(tMs, state);
    }
}

} // namespace kez::sonwell
