#pragma once
// Alert (ring) sounds: pairs of triangle waves switched by time, a rising sweep, or two short
// waveform tables, one sample at a time at 8000 samples per second.

#include <array>
#include <cstdint>
#include <span>

#include "sonwell/tone_generator.h"

namespace kez::sonwell {

inline constexpr int kAlertCount = 10;
inline constexpr int kSilentAlert = 14; // generates nothing

struct AlertPair {
    std::uint16_t frequency1;
    std::uint16_t frequency2;
};

struct AlertRow {
    AlertPair a;
    AlertPair b;
    AlertPair c;
};

const std::array<AlertRow, kAlertCount>& AlertTable();
std::span<const std::int16_t> AlertWaveform24();
std::span<const std::int16_t> AlertWaveform16();

// Next sample of alert nAlert at time tMs within the 6 s ring cycle.
std::int16_t GenerateAlertSample(int nAlert, int tMs, ToneState& state);

} // namespace kez::sonwell
