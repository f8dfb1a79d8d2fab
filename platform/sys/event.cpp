#include "kez/sys/event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "sanitizer_sync.h"
#include "test_time.h"

namespace kez::sys {

Event::Event(Reset mode, bool initiallySet, std::nothrow_t) noexcept
    : mode_(mode), fd_(::eventfd(initiallySet ? 1u : 0u, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Event::Event(Reset mode, bool initiallySet) : Event(mode, initiallySet, std::nothrow) {
    if (!fd_) throw std::system_error(errno, std::generic_category(), "eventfd");
}

void Event::set() {
    const std::uint64_t one = 1;
    detail::announceRelease(this);
    const detail::SignalScope signalling(fd_.get());
    [[maybe_unused]] const detail::UnrecordedBySanitizer wakeUp;
    // Only fails when the counter is saturated, and then the event is set anyway.
    [[maybe_unused]] const auto written = ::write(fd_.get(), &one, sizeof one);
}

void Event::reset() {
    std::uint64_t drained = 0;
    [[maybe_unused]] const auto read = ::read(fd_.get(), &drained, sizeof drained);
}

bool Event::wait(Timeout limit) {
    const std::array<WaitItem, 1> self{static_cast<Waitable*>(this)};
    return waitAny(self, limit).has_value();
}

bool Event::isSet() const {
    pollfd probe{fd_.get(), POLLIN, 0};
    if (::poll(&probe, 1, 0) != 1 || (probe.revents & POLLIN) == 0) return false;
    detail::announceAcquire(this);
    return true;
}

int Event::pollFd() const { return fd_.get(); }

bool Event::tryAcquire() {
    if (mode_ == Reset::Manual) return isSet();
    // The read drains the counter atomically: exactly one waiter gets it.
    std::uint64_t taken = 0;
    if (::read(fd_.get(), &taken, sizeof taken) != static_cast<ssize_t>(sizeof taken)) return false;
    detail::announceAcquire(this);
    return true;
}

} // namespace kez::sys
