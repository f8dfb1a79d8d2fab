#include "thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

#include "kez/sys/last_error.h"
#include "kez/sys/trace.h"

namespace kez::sys::detail {
namespace {

// Offsets from the process's own priority, as the thread priorities within a priority class.
int niceOffset(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriority::Idle: return 19;
    case ThreadPriority::Lowest: return 4;
    case ThreadPriority::BelowNormal: return 2;
    case ThreadPriority::Normal: return 0;
    case ThreadPriority::AboveNormal: return -2;
    case ThreadPriority::Highest: return -5;
    case ThreadPriority::TimeCritical: return -10;
    }
    return 0;
}

std::atomic<bool> gRefusalTraced{false};

} // namespace

bool applyPriority(ThreadPriority priority) {
    errno = 0;
    const int processNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid())); // the main thread's
    if (processNice == -1 && errno != 0) return false;
    const int wanted = std::clamp(processNice + niceOffset(priority), -20, 19);
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, self, wanted) == 0) return true;
    const int error = errno;
    if (!gRefusalTraced.exchange(true)) {
        trace("thread", "priority " + std::to_string(wanted) + " refused (" + errorText(error) +
                            "); threads keep the priority they were given");
    }
    return false;
}

} // namespace kez::sys::detail
