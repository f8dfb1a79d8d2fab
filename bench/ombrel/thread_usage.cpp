#include "thread_usage.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kez::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string firstLineOf(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// "voluntary_ctxt_switches:" of a thread's status; -1 when the thread has gone.
long long voluntarySwitches(const fs::path& task) {
    std::ifstream in(task / "status");
    constexpr std::string_view kField = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(kField)) return std::stoll(line.substr(kField.size()));
    return -1;
}

} // namespace

UsageMeter::UsageMeter(pid_t pid) : pid_(pid), start_(Clock::now()), startTicks_(processTicks()) {
    first_ = readThreads();
    last_ = first_;
}

UsageMeter::Threads UsageMeter::readThreads() const {
    Threads threads;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path("/proc") / std::to_string(pid_) / "task", error)) {
        Thread thread{firstLineOf(entry.path() / "comm"), 0, voluntarySwitches(entry.path())};
        // The time on a CPU in nanoseconds: finer than the clock ticks of stat.
        std::istringstream schedstat(firstLineOf(entry.path() / "schedstat"));
        if (thread.name.empty() || !(schedstat >> thread.runNs) || thread.switches < 0) continue; // it just ended
        threads.emplace(std::stol(entry.path().filename().string()), std::move(thread));
    }
    if (error || threads.empty()) throw std::runtime_error("process " + std::to_string(pid_) + " has ended");
    return threads;
}

// User and system time of the whole process, ended threads included, in clock ticks; throws once it has ended
// (a zombie not yet reaped included).
long long UsageMeter::processTicks() const {
    const std::string stat = firstLineOf(fs::path("/proc") / std::to_string(pid_) / "stat");
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size() || stat[nameEnd + 2] == 'Z' ||
        stat[nameEnd + 2] == 'X')
        throw std::runtime_error("process " + std::to_string(pid_) + " has ended");
    std::istringstream fields(stat.substr(nameEnd + 2));
    std::string field;
    long long ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index)
        if (index >= 14) ticks += std::stoll(field);
    return ticks;
}

void UsageMeter::sample() {
    processTicks();
    for (auto& [id, thread] : readThreads())
        last_[id] = std::move(thread);
}

UsageFigures UsageMeter::finish() {
    sample();
    UsageFigures figures;
    figures.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    figures.cpuSeconds = double(processTicks() - startTicks_) / double(::sysconf(_SC_CLK_TCK));
    figures.cpuPercent = 100 * figures.cpuSeconds / figures.seconds;
    std::map<std::string, ThreadFigures> byName;
    for (const auto& [id, thread] : last_) {
        const auto before = first_.find(id);
        const bool old = before != first_.end() && before->second.name == thread.name;
        auto& row = byName[thread.name];
        row.name = thread.name;
        ++row.threads;
        row.cpuPercent += 100 * double(thread.runNs - (old ? before->second.runNs : 0)) / 1e9 / figures.seconds;
        row.wakeupsPerSecond += double(thread.switches - (old ? before->second.switches : 0)) / figures.seconds;
    }
    for (auto& [name, row] : byName)
        figures.threads.push_back(std::move(row));
    std::ranges::sort(figures.threads, [](const auto& a, const auto& b) { return a.cpuPercent > b.cpuPercent; });
    return figures;
}

std::string describe(const UsageFigures& figures, std::size_t threadLimit) {
    char line[160];
    std::snprintf(line, sizeof line, "  process  %6.2f %% of a core (%.2f s of CPU in %.1f s)\n", figures.cpuPercent,
                  figures.cpuSeconds, figures.seconds);
    std::string text = line;
    for (std::size_t i = 0; i < figures.threads.size() && i < threadLimit; ++i) {
        const auto& row = figures.threads[i];
        std::snprintf(line, sizeof line, "    %-18s x%-2d %6.2f %%  %7.1f wake-ups/s\n", row.name.c_str(), row.threads,
                      row.cpuPercent, row.wakeupsPerSecond);
        text += line;
    }
    if (figures.threads.size() > threadLimit) {
        double cpu = 0, wakeups = 0;
        for (std::size_t i = threadLimit; i < figures.threads.size(); ++i) {
            cpu += figures.threads[i].cpuPercent;
            wakeups += figures.threads[i].wakeupsPerSecond;
        }
        std::snprintf(line, sizeof line, "    %-22s %6.2f %%  %7.1f wake-ups/s\n",
                      ("(" + std::to_string(figures.threads.size() - threadLimit) + " more names)").c_str(), cpu,
                      wakeups);
        text += line;
    }
    return text;
}

} // namespace kez::bench
