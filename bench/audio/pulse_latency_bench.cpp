// Finds the smallest buffer that plays a whole run on the private PulseAudio server without an
// underrun, and prints the time from queueing each buffer to its completion at that size.
//
//   audio_pulse_latency_bench [seconds per full run, default 60] [buffers in the ring, default 3]
#include "kez/audio/devices.h"
#include "kez/audio/pcm.h"

#include "audio_server.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace kez::audio;

struct Run {
    bool opened = false;
    std::size_t total = 0;
    std::size_t completed = 0;
    std::uint32_t underruns = 0;
    std::vector<double> latenciesMs;
};

// Plays `seconds` of a quiet tone through a ring of `count` buffers of `frames` frames.
Run play(int device, std::size_t frames, std::size_t count, int seconds) {
    const std::size_t total = std::size_t{8000} * static_cast<std::size_t>(seconds) / frames;
    std::vector<std::vector<std::uint8_t>> memory(count, std::vector<std::uint8_t>(frames * 2, 0));
    std::vector<PcmBuffer> buffers(count);
    std::vector<Clock::time_point> queuedAt(count);
    std::mutex lock;
    std::condition_variable finished;
    std::size_t queued = 0;
    std::size_t done = 0;
    Run run;
    run.total = total;
    PcmOut out;
    auto queue = [&](std::size_t i) {
        queuedAt[i] = Clock::now();
        ++queued;
        return out.write(buffers[i]);
    };
    const auto opened = out.open(device, kTelephoneFormat, [&](PcmBuffer& buffer) {
        const std::lock_guard hold(lock);
        const auto i = buffer.tag;
        run.latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - queuedAt[i]).count());
        ++done;
        if (queued < total) queue(i);
        finished.notify_all();
    });
    if (!ok(opened)) return run;
    run.opened = true;
    {
        const std::lock_guard hold(lock);
        for (std::size_t i = 0; i < count; ++i) {
            buffers[i] = {memory[i].data(), memory[i].size(), 0, i};
            queue(i);
        }
    }
    std::unique_lock hold(lock);
    finished.wait_for(hold, std::chrono::seconds(seconds * 2 + 10), [&] { return done >= total; });
    run.completed = done;
    // The queue running dry after the last buffer is the end of the run, not an underrun.
    run.underruns = out.underruns() > 0 ? out.underruns() - 1 : 0;
    return run;
}

// A run that stalled before its last buffer proves nothing about underruns: it fails, whatever it counted.
bool clean(const Run& run) { return run.opened && run.completed == run.total && run.underruns == 0; }

void report(const char* what, std::size_t frames, std::size_t count, const Run& run) {
    auto sorted = run.latenciesMs;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double share) {
        return sorted.empty() ? 0.0 : sorted[static_cast<std::size_t>(share * (sorted.size() - 1))];
    };
    if (run.opened && run.completed < run.total) {
        std::printf("%-6s buffer %4zu frames (%5.1f ms) x %zu: STALLED after %zu of %zu buffers\n", what, frames,
                    frames / 8.0, count, run.completed, run.total);
        return;
    }
    std::printf("%-6s buffer %4zu frames (%5.1f ms) x %zu: underruns %u, queue-to-completion median %.1f ms, "
                "95%% %.1f ms, max %.1f ms (%zu buffers)\n",
                what, frames, frames / 8.0, count, run.underruns, at(0.5), at(0.95), at(1.0), sorted.size());
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::size_t count = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 3;
    kez::test::PulseServer server;
    if (!server.start()) {
        std::printf("no private PulseAudio server: %s\n", server.error().c_str());
        return 0;
    }
    const auto devices = listDevices(Direction::Playback);
    const auto pulse = std::find_if(devices.begin(), devices.end(), [](auto& d) { return d.pcmName == "pulse"; });
    if (pulse == devices.end()) {
        std::printf("the PulseAudio device is not listed\n");
        return 0;
    }
    const int device = static_cast<int>(pulse - devices.begin());
    for (const std::size_t frames : {16, 32, 48, 64, 80, 96, 128, 160, 192, 240, 320, 480}) {
        const auto screen = play(device, frames, count, 5);
        report("screen", frames, count, screen);
        if (!clean(screen)) continue;
        const auto full = play(device, frames, count, seconds);
        report("full", frames, count, full);
        if (clean(full)) {
            std::printf("smallest buffer without an underrun over %d s: %zu frames (%.1f ms)\n", seconds, frames,
                        frames / 8.0);
            return 0;
        }
    }
    std::printf("no buffer size played %d s without an underrun or a stall\n", seconds);
    return 1;
}
