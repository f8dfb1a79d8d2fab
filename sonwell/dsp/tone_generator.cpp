#include "sonwell/tone_generator.h"

#include <algorithm>

#include "sine_table.h"
#include "sonwell/tone_table.h"

namespace kez::sonwell {
namespace {

// A phase of 0..1999 covers one quarter wave; each pass of 1999 turns the direction, and every
// second turn the sign, so one cycle is 8000 steps and the frequency in Hz is the step.
int StepOscillator(std::int16_t& phase, std::int16_t& direction, std::int16_t& sign, int frequency) {
    int next = phase + frequency;
    while (next > 1999) {
        next -= 2000;
        if (direction < 0) sign = static_cast<std::int16_t>(-sign);
        direction = static_cast<std::int16_t>(-direction);
    }
    phase = static_cast<std::int16_t>(next);
    const int index = direction > 0 ? next / 4 : kSineTableSize - 1 - next / 4;
    return kQuarterSine[index] * sign;
}

// Every burst starts at a zero crossing, rising, so it begins without a click.
void RestartOscillators(ToneState& state) {
    state.phase1 = state.phase2 = 0;
    state.direction1 = state.direction2 = 1;
    state.sign1 = state.sign2 = 1;
}

// Counts one sample of the row's cadence and returns the segment it falls in.
const ToneSegment& AdvanceCadence(const ToneRow& row, ToneState& state) {
    const ToneSegment* segment = &row.segments[state.segment];
    ++state.sampleCount;
    if (state.sampleCount > segment->onSamples + segment->offSamples) {
        ++state.repeats;
        if (state.repeats >= std::max<int>(segment->repeatCount, 1)) {
            state.repeats = 0;
            state.segment = static_cast<std::int16_t>(segment->nextSegment);
            segment = &row.segments[state.segment];
        }
        state.sampleCount = 1;
        if (segment->offSamples != 0) RestartOscillators(state);
    }
    return *segment;
}

} // namespace

std::int16_t GenerateToneSample(int nTone, int nCountry, ToneState& state) {
    if (!IsToneRow(nTone)) return 0;
    const ToneSegment& segment = AdvanceCadence(LookupToneTable(nTone, nCountry), state);
    if (state.sampleCount > segment.onSamples) return 0;
    const int o1 = StepOscillator(state.phase1, state.direction1, state.sign1, segment.frequency1);
    const int o2 = StepOscillator(state.phase2, state.direction2, state.sign2, segment.frequency2);
    int sample = o1 + o2 - o1 / 4;
    if (segment.amplitude != 0) sample = (sample * segment.amplitude) >> 12;
    return static_cast<std::int16_t>(sample);
}

} // namespace kez::sonwell
