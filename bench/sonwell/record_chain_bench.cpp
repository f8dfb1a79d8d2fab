// Work per recorded second in the recorder's chain: the filter, the silence detector, and each
// encoder, on 192-sample buffers of a noisy speech-band signal (8000 samples a second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "high_pass_filter.h"
#include "record_chain.h"
#include "silence_detector.h"

namespace {

using namespace kez::sonwell;

constexpr std::size_t kBuffer = 192;
constexpr std::size_t kBuffersPerSecond = 8000 / kBuffer + 1;

std::vector<std::int16_t> Signal() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 800);
    std::vector<std::int16_t> samples(kBuffer);
    for (std::size_t n = 0; n < samples.size(); ++n)
        samples[n] = static_cast<std::int16_t>(6000 * std::sin(n * 0.4) + noise(random));
    return samples;
}

// Each iteration is one recorded second; the time per iteration is CPU per recorded second.
template <class Step>
void PerRecordedSecond(benchmark::State& state, Step step) {
    const auto signal = Signal();
    auto buffer = signal;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBuffersPerSecond; ++i) {
            buffer = signal;
            step(buffer);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

void Filter(benchmark::State& state) {
    HighPassFilter filter;
    PerRecordedSecond(state, [&](std::vector<std::int16_t>& b) { filter.apply(b); });
}

void Detector(benchmark::State& state) {
    SilenceDetector detector;
    PerRecordedSecond(state, [&](std::vector<std::int16_t>& b) { benchmark::DoNotOptimize(detector.classify(b)); });
}

void WholeChain(benchmark::State& state) {
    RecordChain chain({.captureSamples = kBuffer,
                       .sendBytes = state.range(0) == 1 ? 192 : 100,
                       .compressionCode = static_cast<int>(state.range(0)),
                       .detectSilence = true});
    PerRecordedSecond(state, [&](std::vector<std::int16_t>& b) { benchmark::DoNotOptimize(chain.process(b)); });
}

BENCHMARK(Filter)->Unit(benchmark::kMicrosecond);
BENCHMARK(Detector)->Unit(benchmark::kMicrosecond);
// 1 = mu-law, 2 = IMA ADPCM; each with the filter and detector.
BENCHMARK(WholeChain)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
