#pragma once
// The C run-time library's rand(): the protocol's random choices are made with it.
#include <cstdint>

namespace kez::sys {

class MsRand {
public:
    explicit MsRand(std::uint32_t seed = 1) : state_(seed) {}
    void seed(std::uint32_t seed) { state_ = seed; }
    // 0..0x7FFF
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};

} // namespace kez::sys
