#pragma once
// The timers of one apartment, on the system tick. A due timer is turned into one
// queued WM_TIMER and then stays pending until that message is taken, so a slow
// consumer never finds two for one timer.
#include <cstdint>
#include <optional>
#include <vector>

#include "kez/apt/hidden_window.h"
#include "kez/sys/tick.h"

namespace kez::apt::detail {

struct TimerKey {
    WindowId window;
    TimerId timer;
    bool operator==(const TimerKey&) const = default;
};

class TimerTable {
public:
    static constexpr std::uint32_t kMinimumIntervalMs = 10;
    static constexpr std::uint32_t kMaximumIntervalMs = 0x7FFFFFFF;

    void set(TimerKey key, std::uint64_t intervalMs, sys::Tick now);
    bool kill(TimerKey key);
    void removeWindow(WindowId window);
    void clear() { timers_.clear(); }

    // Timers due at `now` that have no message pending, in the order they were set;
    // they become pending and their next period starts at `now`.
    std::vector<TimerKey> takeDue(sys::Tick now);
    // The timer's message was taken from the queue.
    void delivered(TimerKey key);
    // Milliseconds until the next timer without a pending message is due.
    std::optional<std::uint32_t> msUntilNextDue(sys::Tick now) const;

private:
    struct Timer {
        TimerKey key;
        std::uint32_t intervalMs;
        sys::Tick periodStart;
        bool pending = false;
    };
    Timer* find(TimerKey key);

    std::vector<Timer> timers_;
};

} // namespace kez::apt::detail
