#pragma once
// Open/close bookkeeping shared by the packet-port backends: close() wakes every
// reader and waits until none uses the port's resources before they are released.
#include <chrono>
#include <climits>
#include <mutex>
#include <optional>
#include <shared_mutex>

#include "kez/sys/event.h"
#include "kez/sys/fd.h"

namespace kez::net::detail {

class PortLifecycle {
public:
    // Held by readers, writers and setters while they use the resources.
    std::shared_lock<std::shared_mutex> use() const { return std::shared_lock(mutex_); }
    // Held by open().
    std::unique_lock<std::shared_mutex> change() { return std::unique_lock(mutex_); }
    // Wakes the readers, then holds everyone out until the lock is released.
    std::unique_lock<std::shared_mutex> shutDown() {
        closing_.set();
        std::unique_lock lock(mutex_);
        closing_.reset();
        return lock;
    }
    // Readable while a close is waiting for readers.
    int closingFd() const { return closing_.pollFd(); }

private:
    mutable std::shared_mutex mutex_;
    sys::Event closing_{sys::Event::Reset::Manual};
};

enum class Readiness { Ready, Closing, Timeout, Failed };
// Waits for `fd` or the closing descriptor; the closing one wins when both are ready.
Readiness waitReadable(int fd, int closingFd, const sys::Deadline& deadline, int& error);
// The same for room to send on `fd`, without a limit.
Readiness waitWritable(int fd, int closingFd, int& error);

// An epoll descriptor that is readable when any of the given descriptors is: the
// pollFd() a port hands out.
sys::UniqueFd makeReadinessFd(std::initializer_list<int> fds);

} // namespace kez::net::detail
