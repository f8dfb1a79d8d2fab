#pragma once
// A counting semaphore with a maximum count, waitable with descriptors.
#include <mutex>

#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

namespace kez::sys {

class Semaphore final : public Waitable {
public:
    Semaphore(long initial, long maximum);
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    // Adds `count`; false (and no change) when that would pass the maximum.
    bool release(long count = 1, long* previous = nullptr);
    // Takes one unit when available within `limit`.
    bool wait(Timeout limit = kInfinite);
    long count() const;

    int pollFd() const override;
    bool tryAcquire() override;

private:
    long maximum_;
    mutable std::mutex mutex_;
    long count_;
    UniqueFd fd_;
};

} // namespace kez::sys
