// What ombrel costs idle in service and in a call, against kezsim on the virtual wire, on a private PulseAudio
// (null sink, a steady tone for a microphone) under Xvfb: 20 s idle, then 30 s in a hands-free call to the echo
// line (9), while two baresip instances hold a G.711 call on the same sound server. Per run: CPU of a core for
// the whole process and per thread name, voluntary wake-ups per second per thread, the sound server's streams;
// baresip's caller for comparison. Figures only, nothing asserted; a run that stalls or breaks off ends the
// bench with a message and exit status 1, and prints no figure for it.
//
//   build/release/bench/ombrel/ombrel_cost_bench [--rounds N] [--build DIR]...
//
// Each round runs every build (--build, repeatable, or OMBREL_BENCH_BUILDS=DIR:DIR; default this build) in turn
// with the face shown (UI Type 2); then each build once with the simple window (UI Type 0). Needs baresip
// (scripts/install-deps).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "cost_run.h"

namespace {

using kez::bench::Build;
using kez::bench::CostRun;

std::string load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void print(const CostRun& run) {
    std::printf("  idle in service:\n%s    streams %s\n", kez::bench::describe(run.idle).c_str(),
                run.idleStreams.c_str());
    std::printf("  in the call:\n%s    streams %s\n", kez::bench::describe(run.call).c_str(), run.callStreams.c_str());
    std::printf("  baresip (caller) in its G.711 call, the same %.1f s:\n%s", run.baresip.seconds,
                kez::bench::describe(run.baresip, 4).c_str());
    std::printf("  call / baresip: %.2f\n", run.call.cpuPercent / run.baresip.cpuPercent);
    std::fflush(stdout);
}

std::string spread(std::vector<double> values) {
    std::ranges::sort(values);
    char text[96];
    std::snprintf(text, sizeof text, "median %6.2f (%.2f-%.2f, %zu)", values[values.size() / 2], values.front(),
                  values.back(), values.size());
    return text;
}

struct Series {
    std::vector<double> idle, call, baresip, ratio;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        const auto builds = kez::bench::chosenBuilds(arguments);
        const int rounds = kez::bench::intOption(arguments, "--rounds", 3);
        if (!arguments.empty() || rounds < 1) throw std::runtime_error("usage: [--rounds N] [--build DIR]...");
        std::printf("load average at the start: %s\n", load().c_str());
        std::map<std::string, Series> series;
        const auto runOnce = [&](const Build& build, const char* uiType, const std::string& label) {
            std::printf("%s, %s, UI Type %s\n", label.c_str(), build.folder.c_str(), uiType);
            std::fflush(stdout);
            return kez::bench::measureCost(build, uiType);
        };
        for (int round = 1; round <= rounds; ++round) {
            for (const auto& build : builds) {
                const auto run = runOnce(build, "2", "round " + std::to_string(round));
                print(run);
                auto& s = series[build.folder];
                s.idle.push_back(run.idle.cpuPercent);
                s.call.push_back(run.call.cpuPercent);
                s.baresip.push_back(run.baresip.cpuPercent);
                s.ratio.push_back(run.call.cpuPercent / run.baresip.cpuPercent);
            }
        }
        for (const auto& build : builds)
            print(runOnce(build, "0", "simple window"));
        std::printf("\nface shown, %% of a core over %d round(s); load average now: %s\n", rounds, load().c_str());
        for (const auto& build : builds) {
            const auto& s = series[build.folder];
            std::printf("%s\n  idle           %s\n  call           %s\n  baresip call   %s\n  call/baresip   %s\n",
                        build.folder.c_str(), spread(s.idle).c_str(), spread(s.call).c_str(), spread(s.baresip).c_str(),
                        spread(s.ratio).c_str());
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "ombrel_cost_bench FAILED, no figures for this run: %s\n", error.what());
        return 1;
    }
    return 0;
}
