#pragma once
// Small measuring tools for generated tones: sounding stretches, Goertzel power and a
// least-squares fit of sinusoids at given frequencies (sample rate 8000).

#include <cstdint>
#include <span>
#include <vector>

namespace kez::test {

struct Stretch {
    std::size_t start;
    std::size_t length;
};

// Sounding stretches: runs separated by at least `minGap` zero samples, so that the odd sample
// that is zero at a zero crossing does not split a burst.
std::vector<Stretch> SoundingStretches(std::span<const std::int16_t> samples, std::size_t minGap = 8);

// Power of the component at `frequency`, normalised so a sinusoid of amplitude A gives about A*A/4.
double GoertzelPower(std::span<const std::int16_t> samples, double frequency);

struct SinusoidFit {
    std::vector<double> frequencies; // distinct, in the order given
    std::vector<double> weights;     // cosine and sine weight per frequency
    std::vector<double> amplitudes;  // one per frequency
    double residualShare;            // energy the fit leaves unexplained, 0..1

    double ValueAt(std::size_t n) const;
};

SinusoidFit FitSinusoids(std::span<const std::int16_t> samples, std::vector<double> frequencies);

} // namespace kez::test
