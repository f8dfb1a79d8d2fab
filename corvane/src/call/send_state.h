#pragma once
// Where the set's recorded audio goes and how: the destination the call state names, the
// audio header, the frame numbering and the reliable message frames are collected into.
#include <algorithm>
#include <cstdint>

#include "linkor/audio_interfaces.h"
#include "linkor/end_point.h"
#include "shared/engine_state.h"

namespace kez::corvane {

// A reliable message holds at most five frames in its payload.
inline constexpr std::int16_t kMostFramesPerPacket = 5;

// The C run-time's generator, which the jitter simulation draws from: 0 to 32767.
class JitterRandom {
public:
    void seed(std::uint32_t seed) { state_ = seed; }
    std::int32_t next() {
        state_ = state_ * 214013U + 2531011U;
        return static_cast<std::int32_t>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_ = 1;
};

struct SendState {
    com::Variant destMac, destIp;
    std::int16_t destVdn = 0;
    // Numbers the frames since the destination was set (16 bits, wrapping).
    std::uint16_t framesCollected = 0;
    std::uint16_t terminationMask = 0;
    std::int16_t type = 0;
    std::uint16_t headerBits = 0, tos = 0, tci = 0;
    std::int16_t framesPerPacket = 1;
    std::int16_t compression = 0;
    com::Ptr<linkor::IReliableAudioMsg> reliable;
    std::int16_t framesInMessage = 0;
    com::Ptr<linkor::IEndPoint> endPoint;
    // Messages the jitter simulation still lets through after a drop.
    std::int16_t jitterPass = 0;
    JitterRandom random;

    bool sending() const { return holdsBytes(destMac); }
    // A frames-per-packet value off the wire, as a count a message can hold.
    static std::int16_t packetFrames(std::int16_t asked) {
        return std::clamp<std::int16_t>(asked, 1, kMostFramesPerPacket);
    }
};

} // namespace kez::corvane
