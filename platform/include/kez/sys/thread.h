#pragma once
// A named worker thread with a bounded join. A thread is never killed: one that
// outlives its join limit is detached, and everything it touches must be owned
// through shared state it holds itself.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "kez/sys/wait.h"

namespace kez::sys {

enum class ThreadPriority { Idle, Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

class Thread {
public:
    Thread();
    ~Thread(); // joins without a limit when still joinable
    Thread(Thread&&) noexcept;
    Thread& operator=(Thread&&) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts `body` on a new thread named `name` (first 15 bytes show in /proc).
    // A priority the system refuses is logged once and otherwise ignored.
    // False when the thread could not be created, or one is still joinable.
    bool start(std::string name, std::function<void()> body, ThreadPriority priority = ThreadPriority::Normal);

    // True when the thread has ended and was joined within `limit`; false leaves
    // it running detached.
    bool join(Timeout limit = kInfinite);

    bool joinable() const;
    bool finished() const;
    const std::string& name() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace kez::sys
