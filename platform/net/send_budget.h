#pragma once
// How fast the broker sends for its program: a token bucket of kBurstFrames frames refilled at
// kFramesPerSecond. A call needs about 50 audio frames a second each way and a few control
// frames; a conference a few times that. The bound keeps a program from flooding the LAN
// with the station's address (1,000 full frames a second are about 12 Mbit/s).
#include <algorithm>
#include <chrono>
#include <cstdint>

namespace kez::net::detail {

class SendBudget {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::int64_t kBurstFrames = 200;
    static constexpr std::int64_t kFramesPerSecond = 1000;

    explicit SendBudget(Clock::time_point now) : last_(now) {}

    // True, and one frame's credit spent, when the bucket holds one.
    bool take(Clock::time_point now) {
        if (now > last_) {
            credit_ = std::min(kFullCredit, credit_ + (now - last_).count());
            last_ = now;
        }
        if (credit_ < kFrameCost) return false;
        credit_ -= kFrameCost;
        return true;
    }

private:
    // Credit in clock ticks: one frame costs the time it takes to earn it.
    static constexpr std::int64_t kFrameCost =
        std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)).count() / kFramesPerSecond;
    static constexpr std::int64_t kFullCredit = kFrameCost * kBurstFrames;

    Clock::time_point last_;
    std::int64_t credit_ = kFullCredit;
};

} // namespace kez::net::detail
