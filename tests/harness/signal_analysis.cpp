#include "signal_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kez::test {
namespace {

constexpr double kRate = 8000.0;

double Basis(double frequency, std::size_t k, std::size_t n) {
    const double angle = 2 * std::numbers::pi * frequency * static_cast<double>(n) / kRate;
    return k % 2 == 0 ? std::cos(angle) : std::sin(angle);
}

// Solves the square system a x = b in place by Gaussian elimination with partial pivoting.
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b) {
    const std::size_t n = b.size();
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < n; ++row) {
            if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
        }
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (std::size_t row = col + 1; row < n; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (std::size_t k = col; k < n; ++k)
                a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    std::vector<double> x(n);
    for (std::size_t row = n; row-- > 0;) {
        double sum = b[row];
        for (std::size_t k = row + 1; k < n; ++k)
            sum -= a[row][k] * x[k];
        x[row] = sum / a[row][row];
    }
    return x;
}

} // namespace

std::vector<Stretch> SoundingStretches(std::span<const std::int16_t> samples, std::size_t minGap) {
    std::vector<Stretch> stretches;
    std::size_t zeros = minGap;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] == 0) {
            ++zeros;
            continue;
        }
        if (zeros >= minGap) {
            stretches.push_back({i, 1});
        } else {
            stretches.back().length = i - stretches.back().start + 1;
        }
        zeros = 0;
    }
    return stretches;
}

double GoertzelPower(std::span<const std::int16_t> samples, double frequency) {
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / kRate);
    double previous = 0;
    double beforePrevious = 0;
    for (const std::int16_t sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    const double n = static_cast<double>(samples.size());
    return power / (n * n);
}

SinusoidFit FitSinusoids(std::span<const std::int16_t> samples, std::vector<double> frequencies) {
    std::vector<double> distinct;
    for (const double f : frequencies) {
        if (std::find(distinct.begin(), distinct.end(), f) == distinct.end()) distinct.push_back(f);
    }
    frequencies = distinct;
    const std::size_t basisCount = 2 * frequencies.size();
    const auto basis = [&](std::size_t k, std::size_t n) { return Basis(frequencies[k / 2], k, n); };
    std::vector<std::vector<double>> normal(basisCount, std::vector<double>(basisCount));
    std::vector<double> projection(basisCount);
    double energy = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        std::vector<double> values(basisCount);
        for (std::size_t k = 0; k < basisCount; ++k)
            values[k] = basis(k, n);
        for (std::size_t i = 0; i < basisCount; ++i) {
            projection[i] += values[i] * samples[n];
            for (std::size_t j = 0; j < basisCount; ++j)
                normal[i][j] += values[i] * values[j];
        }
        energy += static_cast<double>(samples[n]) * samples[n];
    }
    SinusoidFit fit{frequencies, Solve(normal, projection), {}, 1.0};
    double residual = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double error = samples[n] - fit.ValueAt(n);
        residual += error * error;
    }
    if (energy > 0) fit.residualShare = residual / energy;
    for (std::size_t k = 0; k < basisCount; k += 2) {
        fit.amplitudes.push_back(std::hypot(fit.weights[k], fit.weights[k + 1]));
    }
    return fit;
}

double SinusoidFit::ValueAt(std::size_t n) const {
    double value = 0;
    for (std::size_t k = 0; k < weights.size(); ++k)
        value += weights[k] * Basis(frequencies[k / 2], k, n);
    return value;
}

} // namespace kez::test
