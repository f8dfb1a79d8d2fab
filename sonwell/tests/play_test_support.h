#pragma once
// The mixing core without a device: a clock the test sets, and buffers mixed on demand.
#include "play_mixer.h"

#include "sonwell/mulaw.h"

#include <cstdint>
#include <vector>

namespace kez::sonwell::test {

class FakeMixerClock final : public MixerClock {
public:
    std::int64_t counterNow() override { return nowMs; }
    std::int64_t counterFrequency() const override { return 1000; }
    std::int64_t nowMs = 0;
};

inline PlayFormat testFormat(std::int32_t framesPerBuffer = 1, std::uint16_t bits = 16) {
    PlayFormat format;
    format.framesPerBuffer = framesPerBuffer;
    format.device.bits = bits;
    loadComfortNoise(comfortNoiseResource(), format);
    return format;
}

struct MixerBench {
    explicit MixerBench(PlayFormat format = testFormat()) : mixer(std::move(format), clock) {}

    // One output buffer as 16-bit samples (8-bit output is returned as its bytes).
    std::vector<std::int16_t> mix() {
        std::vector<std::uint8_t> bytes(mixer.format().fullBufferBytes());
        std::size_t length = 0;
        lastResult = mixer.GetMixedStreamData(bytes, length);
        lastBytes = length;
        if (mixer.format().device.bits == 8)
            return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)};
        std::vector<std::int16_t> samples(length / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        return samples;
    }

    // A mu-law frame whose every sample decodes to level(code).
    static std::vector<std::uint8_t> levelFrame(std::uint8_t code, std::size_t bytes = 192) {
        return std::vector<std::uint8_t>(bytes, code);
    }
    static std::int16_t level(std::uint8_t code) { return MuLawExpandSample(code); }

    FakeMixerClock clock;
    PlayMixer mixer;
    com::HRESULT lastResult = com::S_OK;
    std::size_t lastBytes = 0;
};

} // namespace kez::sonwell::test
