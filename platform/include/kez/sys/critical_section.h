#pragma once
// A recursive lock: the engine re-enters its connection lock from nested calls.
#include <mutex>

namespace kez::sys {

class CriticalSection {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

using CriticalSectionLock = std::lock_guard<CriticalSection>;

} // namespace kez::sys
