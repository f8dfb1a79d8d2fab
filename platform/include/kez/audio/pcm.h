#pragma once
// Wave output and input: queues of caller-owned buffers that complete in queue order.
//
// Each open device has one worker thread of the layer; completion callbacks run on it, one
// buffer at a time in the order the buffers were queued, each buffer exactly once: when it has
// been played (output) or filled (input), or at reset, stop and close, which complete every
// buffer still queued before they return. A callback may queue buffers again; it must not call
// reset, stop or close (they refuse with StillPlaying from there). A device that fails (unplugged,
// sound server ended) fails the next call with a result instead of blocking; buffers it still
// holds complete at reset or close, and the device can then be opened again.
#include "kez/audio/devices.h"
#include "kez/audio/format.h"
#include "kez/audio/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace kez::audio {

// Caller-owned memory; it must stay in place until the buffer has completed.
struct PcmBuffer {
    std::uint8_t* data = nullptr;
    std::size_t length = 0;   // bytes to play, or room to record into (whole frames)
    std::size_t recorded = 0; // input: bytes filled when completed
    std::uintptr_t tag = 0;   // the caller's own
};

using Completion = std::function<void(PcmBuffer&)>;

// How the caller queues sound: buffers of `bufferFrames` frames, up to `buffers` of them at once.
// The device then moves sound a buffer at a time and holds the whole queue, so its worker and
// the sound server wake once a buffer. Zeros leave the layer's own sizes.
struct QueueShape {
    std::size_t bufferFrames = 0;
    std::size_t buffers = 0;
};

class PcmStream;

// Whether a device accepts `format`, without keeping it open (BadFormat when it refuses).
Result queryFormat(Direction direction, int device, const PcmFormat& format);

class PcmOut {
public:
    PcmOut();
    ~PcmOut(); // closes
    PcmOut(const PcmOut&) = delete;
    PcmOut& operator=(const PcmOut&) = delete;

    // `device` is a list number or kDefaultDevice.
    Result open(int device, const PcmFormat& format, Completion completion, QueueShape shape = {});
    Result write(PcmBuffer& buffer);
    // Stops sound at once; every queued buffer completes. The position starts again at 0.
    Result reset();
    Result close();
    // Frames played since open or the last reset.
    Result position(std::uint64_t& frames) const;
    // Times the device ran out of queued sound while open.
    std::uint32_t underruns() const;
    bool isOpen() const;

private:
    std::shared_ptr<PcmStream> stream_;
};

class PcmIn {
public:
    PcmIn();
    ~PcmIn();
    PcmIn(const PcmIn&) = delete;
    PcmIn& operator=(const PcmIn&) = delete;

    // The device is taken only while recording, from start to stop or reset; opening checks
    // that it can be.
    Result open(int device, const PcmFormat& format, Completion completion, QueueShape shape = {});
    Result add(PcmBuffer& buffer);
    Result start();
    // Stops recording; the buffer being filled completes with what it holds.
    Result stop();
    // Stops recording; every queued buffer completes with what it holds.
    Result reset();
    Result close();
    // Frames recorded since open or the last reset.
    Result position(std::uint64_t& frames) const;
    // Times sound arrived while no buffer was queued (and was lost).
    std::uint32_t overruns() const;
    bool isOpen() const;

private:
    std::shared_ptr<PcmStream> stream_;
};

} // namespace kez::audio
