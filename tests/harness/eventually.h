#pragma once
// Waiting for what another thread, process or the kernel does in its own time.
#include <chrono>
#include <thread>

namespace kez::test {

// Polls `condition` every 20 ms for up to five seconds; its last answer.
template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 250; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace kez::test
