// The speaker beep. A desktop PC has no speaker port a user program may drive, so the beep is
// a sine of the asked pitch and length through the play device, and the caller waits for it
// as it waited for the speaker.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "kez/com/error_info.h"
#include "kez/com/safe_array.h"
#include "local_audio.h"
#include "sound_stream.h"

namespace kez::corvane {
namespace {

// The play device runs at the telephone's rate, which carries no pitch at or above half of it.
constexpr std::int32_t kBeepRate = 8000;
constexpr std::int32_t kHighestPitch = kBeepRate / 2 - 1;
// Longer beeps are cut to about a minute, which bounds the samples made for one.
constexpr std::int32_t kLongestBeepMs = 65535;
constexpr double kBeepLevel = 16384;
// Above every sound the owner plays and not overriding any: heard with the ring, as the
// speaker was.
constexpr std::int32_t kBeepPriority = 1000;
constexpr std::int16_t kPlayedOnce = 0;
// The mixer takes a new sound up with its next buffer, so the sine has been mixed whole a
// little after its own length; a mixer that stalls keeps the caller no longer than this.
constexpr std::uint64_t kMixingAllowanceMs = 1000;
constexpr StreamPolling kBeepPolling{40, true};

// 16-bit mono PCM at the beep rate, with an extra-size word of 0.
com::Variant beepFormat() {
    const std::vector<std::uint8_t> block{1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 0, 0};
    return *com::SafeArray::fromBytes(com::ElementType::I1, block);
}

com::Variant beepSamples(std::int32_t pitch, std::int32_t milliseconds) {
    const auto count = static_cast<std::size_t>(milliseconds) * kBeepRate / 1000;
    std::vector<std::uint8_t> bytes(2 * count);
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2 * std::numbers::pi * pitch * static_cast<double>(n) / kBeepRate;
        const auto sample = static_cast<std::int16_t>(std::lround(kBeepLevel * std::sin(phase)));
        bytes[2 * n] = static_cast<std::uint8_t>(sample);
        bytes[2 * n + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8);
    }
    return *com::SafeArray::fromBytes(com::ElementType::UI1, bytes);
}

} // namespace

// Always succeeds, as the speaker never failed: a beep without pitch or length, or one the
// play device cannot carry, sounds nothing, and so does one while the play object is closed.
com::HRESULT LocalAudio::beep(std::int32_t lFrequency, std::int32_t lDuration) {
    com::Ptr<sonwell::IWavePlay> play;
    std::int32_t stream = 0;
    const std::int32_t milliseconds = std::min(lDuration, kLongestBeepMs);
    if (lFrequency > 0 && lFrequency <= kHighestPitch && lDuration > 0 && com::SUCCEEDED(playObject(play)) &&
        com::SUCCEEDED(play->PlayCycledWave(beepFormat(), beepSamples(lFrequency, milliseconds), kPlayedOnce,
                                            kBeepPriority, com::VARIANT_FALSE, stream))) {
        const com::HRESULT hr =
            waitWhilePlaying(*play, stream, milliseconds + kMixingAllowanceMs, kBeepPolling, sys::sleepFor);
        deleteStream(*play, stream, hr);
    }
    com::takeErrorInfo();
    return com::S_OK;
}

} // namespace kez::corvane
