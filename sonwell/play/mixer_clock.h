#pragma once
// The high-resolution counter the mixer measures its lateness with. The device uses the
// monotonic clock; tests use a clock they set.
#include <cstdint>

namespace kez::sonwell {

class MixerClock {
public:
    virtual ~MixerClock() = default;
    virtual std::int64_t counterNow() = 0;
    virtual std::int64_t counterFrequency() const = 0; // counts a second
};

class SteadyMixerClock final : public MixerClock {
public:
    std::int64_t counterNow() override;
    std::int64_t counterFrequency() const override { return 1'000'000'000; }
};

} // namespace kez::sonwell
