// How fast ombrel starts: from exec to its window mapped (the X server's map notification), and the CPU the
// process has used by then (user and system time), when its display shows "Waiting for Init" (set before the
// window is first shown; no call server answers here, so it stays). Under Xvfb with openbox, in a private world
// with the set configured, its audio on a private PulseAudio (a null sink) as a desktop's is; each build (--build DIR,
// repeatable, or OMBREL_BENCH_BUILDS=DIR:DIR; default this build) has one start that is not counted (caches), then the
// builds start in turn, --starts times each (default 10). Figures only; a start whose window does not map within a
// minute ends the bench with exit status 1.
//
//   build/release/bench/ombrel/ombrel_start_bench [--starts N] [--ui-type N] [--build DIR]...
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio_server.h"
#include "bench_builds.h"
#include "map_watch.h"
#include "program_kit.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kez::bench::Build;

struct Start {
    double mappedMs = 0;
    double cpuSeconds = 0;
};

double cpuSecondsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long long ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index)
        if (index >= 14) ticks += std::stoll(field);
    return double(ticks) / double(::sysconf(_SC_CLK_TCK));
}

Start startOnce(kez::ombrel::test::ProgramWorld& world, const Build& build) {
    kez::bench::registerServers(build);
    kez::bench::MapWatch watch(world.display().display());
    kez::test::ChildProcess program;
    const auto begun = Clock::now();
    auto environment = world.environment();
    environment.push_back("KEZ_AUDIO_DEVICES=pulse");
    if (!program.start({build.program()}, environment)) throw std::runtime_error("could not start " + build.program());
    const auto mapped = watch.awaitMapped("KEZ Ombrel (TM)", 60s);
    if (!mapped) throw std::runtime_error(build.program() + ": its window did not map within a minute");
    const Start start{std::chrono::duration<double, std::milli>(*mapped - begun).count(), cpuSecondsOf(program.pid())};
    ::kill(program.pid(), SIGTERM);
    if (!program.wait(30s)) throw std::runtime_error(build.program() + " did not end within 30 s of SIGTERM");
    return start;
}

std::string spread(std::vector<double> values, const char* unit) {
    std::ranges::sort(values);
    char text[128];
    std::snprintf(text, sizeof text, "median %.0f %s (%.0f-%.0f), %zu starts", values[values.size() / 2], unit,
                  values.front(), values.back(), values.size());
    return text;
}

std::string load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        const auto builds = kez::bench::chosenBuilds(arguments);
        const int starts = kez::bench::intOption(arguments, "--starts", 10);
        const int uiType = kez::bench::intOption(arguments, "--ui-type", 2);
        if (!arguments.empty() || starts < 1)
            throw std::runtime_error("usage: [--starts N] [--ui-type N] [--build DIR]...");
        std::printf("load average at the start: %s; UI Type %d\n", load().c_str(), uiType);
        kez::test::PulseServer pulse;
        if (!pulse.start()) throw std::runtime_error("PulseAudio: " + pulse.error());
        kez::ombrel::test::ProgramWorld world(false);
        world.set("UI", "Type", std::to_string(uiType));
        for (const auto& build : builds)
            startOnce(world, build);
        std::map<std::string, std::vector<Start>> samples;
        for (int i = 0; i < starts; ++i)
            for (const auto& build : builds)
                samples[build.folder].push_back(startOnce(world, build));
        std::printf("load average now: %s\n", load().c_str());
        for (const auto& build : builds) {
            std::vector<double> mapped, cpu;
            for (const auto& start : samples[build.folder]) {
                mapped.push_back(start.mappedMs);
                cpu.push_back(1000 * start.cpuSeconds);
            }
            std::printf("%s\n  exec to window mapped:             %s\n  CPU by then (\"Waiting for Init\"): %s\n",
                        build.folder.c_str(), spread(mapped, "ms").c_str(), spread(cpu, "ms").c_str());
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "ombrel_start_bench FAILED, no figures: %s\n", error.what());
        return 1;
    }
    return 0;
}
