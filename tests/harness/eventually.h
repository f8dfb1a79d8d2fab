#pragma once
// Waiting for what another thread, process or the kernel does in its own time.
#include <chrono>
#include <thread>

namespace kez::test {

// Polls `condition` every 20 ms for up to `limit` (five seconds unless told); its last answer.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace kez::test
