// The play mixer's cost per 24 ms buffer with 1, 4 and 16 active streams (half received call
// audio fed a frame per buffer, half tones), and the delay from AddBuffer of a received frame to
// its sound leaving the ring of a virtual device, at the default ring (lBufferDelay 5 x 24 ms)
// and at a ring of two. Share of one core = CPU time per buffer / 24 ms.
// The received stream holds no frame back, so the ring, which starts as lBufferDelay buffers of
// silence, is the only jitter delay: a frame's sound waits behind that much sound (the frame the
// sender leads by, then the buffers still queued ahead of the one it is mixed into), and for at
// most one device period until the next buffer comes back to be mixed. The target, jitter delay
// plus one period, (lBufferDelay + 1) x 24 ms, is printed as target_ms beside each ring's figures.
#include "play_device.h"
#include "play_mixer.h"
#include "wave_play_object.h"

#include "kez/audio/virtual_audio.h"
#include "kez/com/safe_array.h"
#include "sonwell/ima_adpcm.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace kez::sonwell;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> imaFrame() {
    std::vector<std::int16_t> samples(192);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 977) % 4000 - 2000);
    std::vector<std::uint8_t> block(kRealTimeBlockBytes);
    int step = 0;
    ImaAdpcmEncode(block, samples, step);
    return block;
}

void BM_MixBuffer(benchmark::State& state) {
    SteadyMixerClock clock;
    PlayFormat format;
    loadComfortNoise(comfortNoiseResource(), format);
    PlayMixer mixer(format, clock);
    const auto streams = static_cast<int>(state.range(0));
    std::vector<StreamHandle> calls;
    for (int i = 0; i < streams; ++i) {
        StreamHandle handle = 0;
        if (i % 2 == 0) {
            mixer.realTimeStream(3, true, handle);
            calls.push_back(handle);
        } else {
            mixer.toneStream(static_cast<int>(i % 16), -1, 0, 100, 100, false, handle);
        }
    }
    const auto frame = imaFrame();
    std::vector<std::uint8_t> out(format.fullBufferBytes());
    std::uint16_t sequence = 0;
    for (auto _ : state) {
        for (const auto call : calls)
            mixer.withStreamOf<RealTimeStream>(call, [&](RealTimeStream& s) { return s.AddData(frame, sequence); });
        ++sequence;
        std::size_t bytes = 0;
        mixer.GetMixedStreamData(out, bytes);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MixBuffer)->Arg(1)->Arg(2)->Arg(4)->Arg(16);

// Received frames arrive every 24 ms; one of them is loud. Time from its AddBuffer until the
// device played its first sample. The virtual device hands on what it played only when asked,
// so the sound it played after that sample, at 8000 samples a second, is taken off.
void BM_AddBufferToDevice(benchmark::State& state) {
    ::setenv("KEZ_AUDIO_DEVICES", "virtual:Bench", 1);
    auto device = kez::audio::virtualDevice("Bench");
    WavePlay play;
    play.put_lBufferDelay(static_cast<std::int32_t>(state.range(0)));
    play.Open();
    play.StartStreaming();
    const auto quiet = kez::com::SafeArray::fromBytes(kez::com::ElementType::UI1, std::vector<std::uint8_t>(192, 0xFF));
    const auto loud = kez::com::SafeArray::fromBytes(kez::com::ElementType::UI1, std::vector<std::uint8_t>(192, 0x80));
    double shortest = 1e9, longest = 0;
    for (auto _ : state) {
        std::int32_t stream = 0;
        play.CreateStream(1, 0, stream);
        // A sender paced by its own clock, one frame ahead of the mixer.
        std::int16_t sequence = 0;
        play.AddBuffer(stream, *quiet, sequence++);
        const auto paced = Clock::now();
        for (int i = 0; i < 10; ++i) {
            play.AddBuffer(stream, *quiet, sequence++);
            std::this_thread::sleep_until(paced + std::chrono::milliseconds(24 * (i + 1)));
        }
        device->clearPlayed();
        const auto start = Clock::now();
        play.AddBuffer(stream, *loud, sequence++);
        std::vector<std::uint8_t> played;
        auto first = played.end();
        while (first == played.end() && Clock::now() - start < std::chrono::seconds(2)) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            played = device->played();
            first = std::find_if(played.begin(), played.end(), [](auto b) { return b != 0; });
        }
        const double playedSinceMs = static_cast<double>((played.end() - first) / 2) / 8.0;
        const double delayMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count() - playedSinceMs;
        shortest = std::min(shortest, delayMs);
        longest = std::max(longest, delayMs);
        state.SetIterationTime(delayMs / 1000);
        play.DeleteStream(stream);
    }
    play.Close();
    constexpr double kPeriodMs = 24; // one frame per device buffer (lBufferMultiplier 1)
    state.counters["target_ms"] = static_cast<double>(state.range(0)) * kPeriodMs + kPeriodMs;
    state.counters["min_ms"] = shortest;
    state.counters["max_ms"] = longest;
}
BENCHMARK(BM_AddBufferToDevice)
    ->ArgName("lBufferDelay")
    ->Arg(5) // the default
    ->Arg(2)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace
