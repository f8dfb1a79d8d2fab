#pragma once
// The CPU a running process uses over a stretch of time, whole and per thread (by the thread's name), and its
// threads' voluntary context switches (each one a wake-up after a wait), read from /proc. Samples taken during
// the stretch keep what threads that end before it does had used by then.
#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace kez::bench {

struct ThreadFigures {
    std::string name;
    int threads = 0;       // threads of this name seen in the stretch
    double cpuPercent = 0; // of one core
    double wakeupsPerSecond = 0;
};

struct UsageFigures {
    double seconds = 0;
    double cpuPercent = 0; // the whole process, ended threads included
    double cpuSeconds = 0;
    std::vector<ThreadFigures> threads; // most CPU first
};

class UsageMeter {
public:
    // Starts the stretch now. Throws std::runtime_error when the process is not there.
    explicit UsageMeter(pid_t pid);
    // Notes every thread's figures so far; throws when the process has ended.
    void sample();
    // Ends the stretch with a last sample.
    UsageFigures finish();

private:
    struct Thread {
        std::string name;
        long long runNs = 0;
        long long switches = 0;
    };
    using Threads = std::map<long, Thread>;

    Threads readThreads() const;
    long long processTicks() const;

    pid_t pid_;
    std::chrono::steady_clock::time_point start_;
    long long startTicks_;
    Threads first_;
    Threads last_;
};

// One line for the whole process and one per thread name, indented.
std::string describe(const UsageFigures& figures, std::size_t threadLimit = 12);

} // namespace kez::bench
