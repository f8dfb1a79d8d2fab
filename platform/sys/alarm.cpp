#include "kez/sys/alarm.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "test_time.h"

namespace kez::sys {
namespace {

void setTimer(int fd, const itimerspec& when) { ::timerfd_settime(fd, 0, &when, nullptr); }

} // namespace

Alarm::Alarm() : timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)) {
    if (!timer_) error_ = errno;
}

Alarm::~Alarm() {
    if (onTestClock_) detail::disarmTestAlarm(timer_.get());
}

void Alarm::arm(std::optional<Timeout> after) {
    if (!timer_ || (!after && !armed_)) return;
    armed_ = after.has_value();
    if (onTestClock_) detail::disarmTestAlarm(timer_.get());
    onTestClock_ = false;
    if (!after || detail::testClockInstalled()) setTimer(timer_.get(), {}); // also clears a fired alarm
    if (!after) return;
    const auto ms = static_cast<std::uint64_t>(std::max(after->count(), Timeout::rep{0}));
    if (detail::testClockInstalled()) {
        detail::armTestAlarm(timer_.get(), ms);
        onTestClock_ = true;
        return;
    }
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(ms / 1000);
    // A zero value would disarm: the nearest expiry a timerfd takes is one nanosecond.
    when.it_value.tv_nsec = ms == 0 ? 1 : static_cast<long>(ms % 1000) * 1'000'000;
    setTimer(timer_.get(), when);
}

void Alarm::drain() {
    std::uint64_t expiries = 0;
    [[maybe_unused]] const auto read = ::read(timer_.get(), &expiries, sizeof expiries);
}

} // namespace kez::sys
