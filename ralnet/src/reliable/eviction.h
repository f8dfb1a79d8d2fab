#pragma once
// Choice of the connection to give up when a table is full: the one idle longest.
#include "kez/sys/tick.h"

#include <cstddef>
#include <optional>

namespace ralnet::reliable {

// `lastActive(i)` gives slot i's time of last activity, or nothing when it may not be evicted.
// Ages are full 32-bit tick differences, so a connection idle for more than 32.8 s still counts
// as old. Ties go to the first slot; a connection of age 0 is never chosen.
template <typename LastActive>
std::optional<std::size_t> oldestEvictable(std::size_t count, kez::sys::Tick now, LastActive lastActive) {
    std::optional<std::size_t> chosen;
    kez::sys::Tick greatest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<kez::sys::Tick> since = lastActive(i);
        if (!since) continue;
        const kez::sys::Tick age = kez::sys::ticksSince(*since, now);
        if (age > greatest) {
            greatest = age;
            chosen = i;
        }
    }
    return chosen;
}

} // namespace ralnet::reliable
