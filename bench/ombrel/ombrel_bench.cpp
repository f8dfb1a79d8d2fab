// Figures for the program ombrel under Xvfb and openbox, with its real engine on the virtual wire: the time from a
// key typed on the simple window by xdotool to the key event printed by the simulated call server. Median and
// 99th percentile; nothing here asserts anything. The start is measured by ombrel_start_bench.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "program_kit.h"
#include "simulated_call_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kez::ombrel::test::ProgramWorld;

constexpr int kKeys = 100;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void report(const char* what, std::vector<double> samples) {
    if (samples.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double share) { return samples[static_cast<std::size_t>(share * (samples.size() - 1))]; };
    std::printf("%-44s median %7.1f ms  99th %7.1f ms  (%zu)\n", what, at(0.5), at(0.99), samples.size());
}

std::vector<double> keysToTheCallServer() {
    ProgramWorld world(false);
    world.set("UI", "Type", "0");
    world.set("Communications", "VuruvMac", kez::test::SimulatedCallServer::kMac);
    kez::test::SimulatedCallServer server;
    const auto awaitLine = [&](const std::string& part) { return server.awaitLine({part}, 30s); };
    std::vector<double> samples;
    if (!server.start(world.wire(), kez::test::SimulatedCallServer::kMac, {"serve", "--show"}) || !world.start())
        return samples;
    const auto window = world.awaitWindow("^KEZ Ombrel \\(TM\\)", 60s);
    if (window.empty() || !awaitLine("in service")) return samples;
    world.x({"xdotool", "windowactivate", "--sync", window});
    for (int i = 0; i < kKeys; ++i) {
        const auto start = Clock::now();
        world.x({"xdotool", "key", "5"});
        if (!awaitLine("nEventID=3 nEventInfo1=5")) break;
        samples.push_back(ms(Clock::now() - start));
    }
    return samples;
}

} // namespace

int main() {
    report("key typed (xdotool) to KzSetEvent at kezsim", keysToTheCallServer());
    return 0;
}
