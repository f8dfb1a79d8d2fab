#pragma once
// A descriptor that becomes readable when a set time comes, for loops that watch
// descriptors (epoll, poll, a foreign event loop). A timerfd on CLOCK_MONOTONIC; armed
// while a TestClock is installed, it fires when that clock passes the time instead.
#include <optional>

#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

namespace kez::sys {

class Alarm {
public:
    // Check error(): the errno when the descriptor could not be made.
    Alarm();
    ~Alarm();
    Alarm(const Alarm&) = delete;
    Alarm& operator=(const Alarm&) = delete;

    int fd() const { return timer_.get(); }
    int error() const { return error_; }

    // Fires `after` from now (at once when zero), replacing an earlier time and clearing a
    // fired alarm; nullopt disarms.
    void arm(std::optional<Timeout> after);
    // Clears a fired alarm's readiness; it stays armed for nothing.
    void drain();

private:
    UniqueFd timer_;
    int error_ = 0;
    bool armed_ = false;
    bool onTestClock_ = false;
};

} // namespace kez::sys
