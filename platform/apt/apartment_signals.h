#pragma once
// The descriptors of one apartment: a level that is set while messages are queued,
// a wake-up for the owning thread's nested waits, an alarm armed for the next timer,
// and an epoll set over the level and the timer for foreign event loops.
#include <chrono>
#include <cstdint>
#include <optional>

#include "kez/sys/alarm.h"
#include "kez/sys/event.h"
#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

namespace kez::apt::detail {

class ApartmentSignals {
public:
    ApartmentSignals();

    // errno of the first descriptor that could not be made; 0 when all exist.
    int error() const { return error_; }
    // Readable while work is set or the timer has expired.
    int pollFd() const { return poll_.get(); }

    void setWork(bool queued);
    void wake();
    // Arms the timer to expire after `ms` (at once when 0), or disarms it.
    void armTimer(std::optional<std::uint32_t> ms);
    void drainTimer();

    // Waits until woken, the timer expires or `limit` passes; consumes the wake-up.
    void waitForWake(sys::Timeout limit);

private:
    bool workSet_ = false;
    int error_ = 0;
    sys::UniqueFd work_;
    sys::Event wake_; // an Event, so a test clock sees the owner thread woken
    sys::Alarm timer_;
    sys::UniqueFd poll_;
};

} // namespace kez::apt::detail
