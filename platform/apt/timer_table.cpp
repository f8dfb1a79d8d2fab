#include "timer_table.h"

#include <algorithm>

namespace kez::apt::detail {
namespace {

std::uint32_t clampInterval(std::uint64_t ms) {
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(ms, TimerTable::kMinimumIntervalMs, TimerTable::kMaximumIntervalMs));
}

} // namespace

TimerTable::Timer* TimerTable::find(TimerKey key) {
    const auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.key == key; });
    return it == timers_.end() ? nullptr : &*it;
}

void TimerTable::set(TimerKey key, std::uint64_t intervalMs, sys::Tick now) {
    if (Timer* timer = find(key)) {
        timer->intervalMs = clampInterval(intervalMs);
        timer->periodStart = now;
        return;
    }
    timers_.push_back({key, clampInterval(intervalMs), now});
}

bool TimerTable::kill(TimerKey key) {
    return std::erase_if(timers_, [&](const Timer& t) { return t.key == key; }) != 0;
}

void TimerTable::removeWindow(WindowId window) {
    std::erase_if(timers_, [&](const Timer& t) { return t.key.window == window; });
}

std::vector<TimerKey> TimerTable::takeDue(sys::Tick now) {
    std::vector<TimerKey> due;
    for (Timer& timer : timers_) {
        if (timer.pending || sys::ticksSince(timer.periodStart, now) < timer.intervalMs) continue;
        timer.pending = true;
        timer.periodStart = now;
        due.push_back(timer.key);
    }
    return due;
}

void TimerTable::delivered(TimerKey key) {
    if (Timer* timer = find(key)) timer->pending = false;
}

std::optional<std::uint32_t> TimerTable::msUntilNextDue(sys::Tick now) const {
    std::optional<std::uint32_t> soonest;
    for (const Timer& timer : timers_) {
        if (timer.pending) continue;
        const std::uint32_t elapsed = sys::ticksSince(timer.periodStart, now);
        const std::uint32_t left = elapsed >= timer.intervalMs ? 0 : timer.intervalMs - elapsed;
        if (!soonest || left < *soonest) soonest = left;
    }
    return soonest;
}

} // namespace kez::apt::detail
