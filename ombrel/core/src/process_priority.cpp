#include "ombrel/process_priority.h"

#include <sys/resource.h>

namespace kez::ombrel {
namespace {

constexpr std::int16_t kHighPriority = 2;
constexpr std::int16_t kRealTimePriority = 3;
constexpr int kHighNice = -10;
constexpr int kRealTimeNice = -20;

// Noted before the first change, so the normal level can return to it.
int startNice() {
    static const int nice = ::getpriority(PRIO_PROCESS, 0);
    return nice;
}

int niceForLevel(std::int16_t level) {
    switch (level) {
    case kHighPriority: return kHighNice;
    case kRealTimePriority: return kRealTimeNice;
    default: return startNice();
    }
}

} // namespace

bool setProcessPriority(std::int16_t level) {
    startNice();
    return ::setpriority(PRIO_PROCESS, 0, niceForLevel(level)) == 0;
}

} // namespace kez::ombrel
