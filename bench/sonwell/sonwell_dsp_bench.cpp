// Samples per second of our codecs and tone generator, each beside spandsp's counterpart.
// Both sides run on the same 505-sample frames (one reliable block) of the same noisy signal.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

extern "C" {
// telephony.h first: the other spandsp headers use its macros.
#include <spandsp/telephony.h>

#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/ima_adpcm.h>
#include <spandsp/tone_generate.h>
}

#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"
#include "sonwell/tone_generator.h"

namespace {

using namespace kez::sonwell;

constexpr int kFrame = static_cast<int>(kReliableBlockSamples);

std::vector<std::int16_t> Signal() {
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 2000.0);
    std::vector<std::int16_t> samples(kFrame);
    for (int n = 0; n < kFrame; ++n) {
        samples[n] = static_cast<std::int16_t>(std::lround(8000 * std::sin(0.3 * n) + noise(random)));
    }
    return samples;
}

void Count(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * kFrame); }

void MuLawCompress_Ours(benchmark::State& state) {
    const auto in = Signal();
    std::vector<std::uint8_t> out(kFrame);
    for (auto _ : state) {
        MuLawCompress(out, in);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void MuLawCompress_Spandsp(benchmark::State& state) {
    const auto in = Signal();
    std::vector<std::uint8_t> out(kFrame);
    g711_state_t* codec = g711_init(nullptr, G711_ULAW);
    for (auto _ : state) {
        g711_encode(codec, out.data(), in.data(), kFrame);
        benchmark::DoNotOptimize(out.data());
    }
    g711_free(codec);
    Count(state);
}

void MuLawExpand_Ours(benchmark::State& state) {
    std::vector<std::uint8_t> in(kFrame);
    MuLawCompress(in, Signal());
    std::vector<std::int16_t> out(kFrame);
    for (auto _ : state) {
        MuLawExpand(out, in);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void MuLawExpand_Spandsp(benchmark::State& state) {
    std::vector<std::uint8_t> in(kFrame);
    MuLawCompress(in, Signal());
    std::vector<std::int16_t> out(kFrame);
    g711_state_t* codec = g711_init(nullptr, G711_ULAW);
    for (auto _ : state) {
        g711_decode(codec, out.data(), in.data(), kFrame);
        benchmark::DoNotOptimize(out.data());
    }
    g711_free(codec);
    Count(state);
}

void ImaEncode_Ours(benchmark::State& state) {
    const auto in = Signal();
    std::vector<std::uint8_t> block(kReliableBlockBytes);
    int index = 0;
    for (auto _ : state) {
        ImaAdpcmEncode(block, in, index);
        benchmark::DoNotOptimize(block.data());
    }
    Count(state);
}

void ImaEncode_Spandsp(benchmark::State& state) {
    const auto in = Signal();
    std::vector<std::uint8_t> block(kReliableBlockBytes + 8);
    ima_adpcm_state_t* codec = ima_adpcm_init(nullptr, IMA_ADPCM_IMA4, kFrame);
    for (auto _ : state) {
        ima_adpcm_encode(codec, block.data(), in.data(), kFrame);
        benchmark::DoNotOptimize(block.data());
    }
    ima_adpcm_free(codec);
    Count(state);
}

void ImaDecode_Ours(benchmark::State& state) {
    std::vector<std::uint8_t> block(kReliableBlockBytes);
    int index = 0;
    ImaAdpcmEncode(block, Signal(), index);
    std::vector<std::int16_t> out(kFrame);
    for (auto _ : state) {
        ImaAdpcmDecode(out, block);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void ImaDecode_Spandsp(benchmark::State& state) {
    std::vector<std::uint8_t> block(kReliableBlockBytes + 8);
    ima_adpcm_state_t* encoder = ima_adpcm_init(nullptr, IMA_ADPCM_IMA4, kFrame);
    const auto in = Signal();
    const int bytes = ima_adpcm_encode(encoder, block.data(), in.data(), kFrame);
    ima_adpcm_free(encoder);
    ima_adpcm_state_t* codec = ima_adpcm_init(nullptr, IMA_ADPCM_IMA4, kFrame);
    std::vector<std::int16_t> out(kFrame + 8);
    for (auto _ : state) {
        ima_adpcm_decode(codec, out.data(), block.data(), bytes);
        benchmark::DoNotOptimize(out.data());
    }
    ima_adpcm_free(codec);
    Count(state);
}

void ToneGenerate_Ours(benchmark::State& state) {
    std::vector<std::int16_t> out(kFrame);
    ToneState tone;
    for (auto _ : state) {
        for (auto& sample : out)
            sample = GenerateToneSample(5, 1, tone);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void ToneGenerate_Spandsp(benchmark::State& state) {
    std::vector<std::int16_t> out(kFrame);
    tone_gen_descriptor_t* descriptor = tone_gen_descriptor_init(nullptr, 770, -10, 1336, -8, 1000, 0, 0, 0, 1);
    tone_gen_state_t* tone = tone_gen_init(nullptr, descriptor);
    for (auto _ : state) {
        tone_gen(tone, out.data(), kFrame);
        benchmark::DoNotOptimize(out.data());
    }
    tone_gen_free(tone);
    tone_gen_descriptor_free(descriptor);
    Count(state);
}

BENCHMARK(MuLawCompress_Ours);
BENCHMARK(MuLawCompress_Spandsp);
BENCHMARK(MuLawExpand_Ours);
BENCHMARK(MuLawExpand_Spandsp);
BENCHMARK(ImaEncode_Ours);
BENCHMARK(ImaEncode_Spandsp);
BENCHMARK(ImaDecode_Ours);
BENCHMARK(ImaDecode_Spandsp);
BENCHMARK(ToneGenerate_Ours);
BENCHMARK(ToneGenerate_Spandsp);

} // namespace
