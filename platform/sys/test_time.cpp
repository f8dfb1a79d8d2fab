#include "test_time.h"

#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <vector>

#include "kez/sys/fd.h"

namespace kez::sys::detail {
namespace {

// Sets a timerfd's expiry count directly and wakes its pollers at once (Linux 3.17, with
// checkpoint/restore support); the glibc header does not carry it.
constexpr unsigned long kSetTimerTicks = _IOW('T', 0, std::uint64_t);

struct Waiter {
    std::optional<std::uint64_t> endMs;
    std::span<const pollfd> fds;
    int wakeFd;
    std::thread::id thread = std::this_thread::get_id();
    bool kezThread;
    bool woken = false;
};

struct Alarm {
    int timerFd;
    std::uint64_t dueMs;
};

// Guarded by `mutex`, except the atomics the real-clock roads read.
struct Board {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> installs{0};
    std::atomic<Tick> tick{0};
    std::uint64_t installation = 0;
    std::uint64_t elapsedMs = 0;
    std::vector<Waiter*> waiters;
    std::vector<Alarm> alarms;
    std::size_t liveThreads = 0;
};

Board& board() {
    // Never destroyed: a detached thread may still end while the process exits.
    static Board* const instance = new Board;
    return *instance;
}

thread_local bool tKezThread = false;

// One wake-up descriptor per thread, made on its first wait on the test clock.
int threadWakeFd() {
    thread_local const UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    return wake.get();
}

void signal(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(fd, &one, sizeof one);
}

void fireTimer(int timerFd) {
    const std::uint64_t one = 1;
    if (::ioctl(timerFd, kSetTimerTicks, &one) == 0) return;
    // Without the direct setting the timer expires a nanosecond from now instead.
    itimerspec soon{};
    soon.it_value.tv_nsec = 1;
    ::timerfd_settime(timerFd, 0, &soon, nullptr);
}

bool polls(const Waiter& waiter, int fd) {
    return std::any_of(waiter.fds.begin(), waiter.fds.end(), [fd](const pollfd& p) { return p.fd == fd; });
}

void markSignalledLocked(Board& b, int fd) {
    for (Waiter* waiter : b.waiters) {
        if (polls(*waiter, fd)) waiter->woken = true;
    }
    b.changed.notify_all();
}

void advanceLocked(Board& b, std::uint64_t ms) {
    b.elapsedMs += ms;
    b.tick.store(static_cast<Tick>(b.tick.load(std::memory_order_relaxed) + ms), std::memory_order_release);
    for (Waiter* waiter : b.waiters) {
        if (waiter->woken || !waiter->endMs || *waiter->endMs > b.elapsedMs) continue;
        waiter->woken = true;
        signal(waiter->wakeFd);
    }
    const auto firstDue = std::stable_partition(b.alarms.begin(), b.alarms.end(),
                                                [&](const Alarm& alarm) { return alarm.dueMs > b.elapsedMs; });
    for (auto due = firstDue; due != b.alarms.end(); ++due) {
        fireTimer(due->timerFd);
        markSignalledLocked(b, due->timerFd);
    }
    b.alarms.erase(firstDue, b.alarms.end());
    b.changed.notify_all();
}

std::size_t blockedLocked(const Board& b) {
    return static_cast<std::size_t>(
        std::count_if(b.waiters.begin(), b.waiters.end(), [](const Waiter* w) { return !w->woken; }));
}

// Every running kez::sys::Thread (and `owner`, when given) is blocked and not yet woken.
bool idleLocked(const Board& b, std::optional<std::thread::id> owner) {
    std::size_t blockedThreads = 0;
    bool ownerBlocked = !owner;
    for (const Waiter* waiter : b.waiters) {
        if (waiter->woken) continue;
        if (waiter->kezThread) ++blockedThreads;
        if (owner && waiter->thread == *owner) ownerBlocked = true;
    }
    return ownerBlocked && blockedThreads >= b.liveThreads;
}

std::optional<std::uint64_t> nextDueLocked(const Board& b) {
    std::optional<std::uint64_t> next;
    for (const Waiter* waiter : b.waiters) {
        if (!waiter->woken && waiter->endMs && (!next || *waiter->endMs < *next)) next = waiter->endMs;
    }
    for (const Alarm& alarm : b.alarms) {
        if (!next || alarm.dueMs < *next) next = alarm.dueMs;
    }
    return next;
}

bool passedLocked(const Board& b, const TestInstant& end) {
    return b.installs.load(std::memory_order_relaxed) == 0 || end.installation != b.installation ||
           end.ms <= b.elapsedMs;
}

// Counts the thread as blocked from a moment none of its descriptors was ready (checked
// under the lock that signalling takes) until its poll returns.
class Registration {
public:
    Registration(Board& b, Waiter& waiter) : board_(b), waiter_(waiter) {
        board_.waiters.push_back(&waiter_);
        board_.changed.notify_all();
    }
    ~Registration() {
        const std::lock_guard lock(board_.mutex);
        std::erase(board_.waiters, &waiter_);
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    Board& board_;
    Waiter& waiter_;
};

} // namespace

bool testClockInstalled() { return board().installs.load(std::memory_order_acquire) > 0; }

Tick testTick() { return board().tick.load(std::memory_order_acquire); }

std::optional<TestInstant> testNow() {
    if (!testClockInstalled()) return std::nullopt;
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    if (b.installs.load(std::memory_order_relaxed) == 0) return std::nullopt;
    return TestInstant{b.installation, b.elapsedMs};
}

int pollOnTestClock(std::span<pollfd> fds, std::optional<TestInstant> end) {
    Board& b = board();
    const int wakeFd = threadWakeFd();
    if (wakeFd < 0) {
        errno = EMFILE; // the thread could get no wake-up descriptor
        return -1;
    }
    std::vector<pollfd> blocking(fds.begin(), fds.end());
    blocking.push_back({wakeFd, POLLIN, 0});
    Waiter waiter{end ? std::optional(end->ms) : std::nullopt, fds, wakeFd, std::this_thread::get_id(), tKezThread};
    for (;;) {
        std::unique_lock lock(b.mutex);
        const int ready = ::poll(fds.data(), fds.size(), 0);
        if (ready != 0) return ready;
        if (end && passedLocked(b, *end)) return 0;
        if (b.installs.load(std::memory_order_relaxed) == 0) {
            lock.unlock();
            return ::poll(fds.data(), fds.size(), -1);
        }
        waiter.woken = false;
        const Registration registered(b, waiter);
        lock.unlock();
        for (pollfd& p : blocking)
            p.revents = 0;
        ::poll(blocking.data(), blocking.size(), -1); // what it found is polled again under the lock
        if (blocking.back().revents != 0) {
            std::uint64_t drained = 0;
            [[maybe_unused]] const auto read = ::read(wakeFd, &drained, sizeof drained);
        }
    }
}

SignalScope::SignalScope(int fd) : fd_(fd) {
    if (testClockInstalled()) lock_ = std::unique_lock(board().mutex);
}

SignalScope::~SignalScope() {
    if (lock_.owns_lock()) markSignalledLocked(board(), fd_);
}

void armTestAlarm(int timerFd, std::uint64_t afterMs) {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    std::erase_if(b.alarms, [timerFd](const Alarm& alarm) { return alarm.timerFd == timerFd; });
    if (afterMs == 0) {
        fireTimer(timerFd);
        markSignalledLocked(b, timerFd);
        return;
    }
    b.alarms.push_back({timerFd, b.elapsedMs + afterMs});
    b.changed.notify_all();
}

void disarmTestAlarm(int timerFd) {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    std::erase_if(b.alarms, [timerFd](const Alarm& alarm) { return alarm.timerFd == timerFd; });
}

void noteThreadStarting() {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    ++b.liveThreads;
}

void noteThreadStartFailed() { noteThreadEnded(); }

void enterThreadBody() { tKezThread = true; }

void noteThreadEnded() {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    --b.liveThreads;
    b.changed.notify_all();
}

void installTestClock(Tick start) {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    if (b.installs.load(std::memory_order_relaxed) > 0) {
        // A nested clock shares the time: its start is a moment ahead, as a tick reading.
        advanceLocked(b, static_cast<Tick>(start - b.tick.load(std::memory_order_relaxed)));
    } else {
        ++b.installation;
        b.elapsedMs = 0;
        b.tick.store(start, std::memory_order_release);
    }
    b.installs.fetch_add(1, std::memory_order_acq_rel);
}

void uninstallTestClock() {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    if (b.installs.fetch_sub(1, std::memory_order_acq_rel) > 1) return;
    // Every wait on this clock ends now, and its alarms fire: nothing is left waiting for a
    // time that can no longer come.
    for (Waiter* waiter : b.waiters) {
        waiter->woken = true;
        signal(waiter->wakeFd);
    }
    for (const Alarm& alarm : b.alarms)
        fireTimer(alarm.timerFd);
    b.alarms.clear();
    b.changed.notify_all();
}

void advanceTestClock(std::uint64_t ms) {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    advanceLocked(b, ms);
}

std::size_t blockedOnTestClock() {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    return blockedLocked(b);
}

bool awaitIdleOnTestClock(std::chrono::milliseconds realLimit) {
    Board& b = board();
    std::unique_lock lock(b.mutex);
    return b.changed.wait_for(lock, realLimit, [&] { return idleLocked(b, std::nullopt); });
}

std::optional<std::uint64_t> msToNextTestDeadline() {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    const auto next = nextDueLocked(b);
    if (!next) return std::nullopt;
    return *next - std::min(*next, b.elapsedMs);
}

void autoAdvanceTestClock(std::thread::id owner, const bool& stop) {
    Board& b = board();
    std::unique_lock lock(b.mutex);
    for (;;) {
        b.changed.wait(lock, [&] { return stop || (idleLocked(b, owner) && nextDueLocked(b)); });
        if (stop) return;
        const std::uint64_t next = *nextDueLocked(b);
        advanceLocked(b, next - std::min(next, b.elapsedMs));
    }
}

void stopAutoAdvance(bool& stop) {
    Board& b = board();
    const std::lock_guard lock(b.mutex);
    stop = true;
    b.changed.notify_all();
}

} // namespace kez::sys::detail
