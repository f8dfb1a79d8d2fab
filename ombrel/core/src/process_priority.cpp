#include "ombrel/process_priority.h"

#include <sys/resource.h>

namespace kez::ombrel {
namespace {

constexpr std::int16_t kHighPriority = 2;
constexpr std::int16_t kRealTimePriority = 3;
constexpr int kHighNice = -10;
constexpr int kRealTimeNice = -20;

} // namespace

bool setProcessPriority(std::int16_t level) {
    if (level != kHighPriority && level != kRealTimePriority) return true;
    return ::setpriority(PRIO_PROCESS, 0, level == kHighPriority ? kHighNice : kRealTimeNice) == 0;
}

} // namespace kez::ombrel
