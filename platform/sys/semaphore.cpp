#include "kez/sys/semaphore.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>

#include "test_time.h"

namespace kez::sys {

Semaphore::Semaphore(long initial, long maximum) : maximum_(maximum), count_(initial) {
    if (maximum <= 0 || initial < 0 || initial > maximum) throw std::invalid_argument("semaphore count out of range");
    fd_.reset(::eventfd(static_cast<unsigned>(initial), EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE));
    if (!fd_) throw std::system_error(errno, std::generic_category(), "eventfd");
}

bool Semaphore::release(long count, long* previous) {
    std::lock_guard lock(mutex_);
    if (count <= 0 || count > maximum_ - count_) return false;
    const auto added = static_cast<std::uint64_t>(count);
    const detail::SignalScope signalling(fd_.get());
    if (::write(fd_.get(), &added, sizeof added) != static_cast<ssize_t>(sizeof added)) return false;
    if (previous != nullptr) *previous = count_;
    count_ += count;
    return true;
}

bool Semaphore::wait(Timeout limit) {
    const std::array<WaitItem, 1> self{static_cast<Waitable*>(this)};
    return waitAny(self, limit).has_value();
}

long Semaphore::count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

int Semaphore::pollFd() const { return fd_.get(); }

bool Semaphore::tryAcquire() {
    std::lock_guard lock(mutex_);
    std::uint64_t unit = 0;
    if (::read(fd_.get(), &unit, sizeof unit) != static_cast<ssize_t>(sizeof unit)) return false;
    --count_;
    return true;
}

} // namespace kez::sys
