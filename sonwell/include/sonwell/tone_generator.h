#pragma once
// Sample-by-sample tone generation at 8000 samples per second from the tone tables.

#include <cstdint>

namespace kez::sonwell {

// Tone number that plays silence.
inline constexpr int kSilentTone = 240;

// One per tone or alert stream. An alert keeps its waveform position in phase1.
struct ToneState {
    std::int16_t phase1 = 0;
    std::int16_t direction1 = 1;
    std::int16_t sign1 = 1;
    std::int16_t phase2 = 0;
    std::int16_t direction2 = 1;
    std::int16_t sign2 = 1;
    std::uint16_t sampleCount = 0; // within the segment's on + off
    std::int16_t segment = 0;
    std::int16_t repeats = 0;

    friend constexpr bool operator==(const ToneState&, const ToneState&) = default;
};

// Next sample of row nTone of table nCountry. Silence, with the state untouched, for tone 240 and
// any other number outside the table.
std::int16_t GenerateToneSample(int nTone, int nCountry, ToneState& state);

} // namespace kez::sonwell
