#pragma once
// One recording's six capture buffers over an open wave input, and the processing chain they
// feed. Shared between the recorder, the capture thread and the device's completions, so that
// whichever lets go last frees it.
#include "record_chain.h"

#include "kez/apt/hidden_window.h"
#include "kez/audio/pcm.h"
#include "kez/sys/event.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kez::sonwell {

class CaptureRing {
public:
    static constexpr std::size_t kBuffers = 6;

    // Allocates the buffers (std::bad_alloc on failure).
    explicit CaptureRing(const RecordSettings& settings);
    CaptureRing(const CaptureRing&) = delete;
    CaptureRing& operator=(const CaptureRing&) = delete;

    // Queues every buffer with the device.
    audio::Result queueAll(audio::PcmIn& device);
    // The device's completion for every buffer of every ring: marks the buffer finished and
    // wakes whoever processes it (the capture thread, or the window given to notifyBy).
    static void completed(audio::PcmBuffer& buffer);
    // Without a capture thread: each finished buffer posts `message` (w = its position) here.
    void notifyBy(apt::WindowHandle window, apt::MessageId message);

    using FrameSink = std::function<void(FrameEvent, std::span<const std::uint8_t>)>;
    // Processes the finished buffers in ring order from the current position, each passed to
    // `sink` (only completely filled ones) and queued again. Stops at a failed requeue
    // (returned), once stopped, or at the first unfinished buffer, returning then whether the
    // device still answers (one that fails while quiet shows no other way).
    audio::Result drain(audio::PcmIn& device, const FrameSink& sink);

    // Ends the recording: once this returns, drain processes nothing more and leaves the device
    // alone, so its owner may reset and close it while a capture thread still runs.
    void stop();
    bool stopped() const { return stopping_; }

    // Set by each completion, so a waiting capture thread wakes at once.
    sys::Event finished{sys::Event::Reset::Auto};

private:
    // Calls the device unless stopped, stop waiting meanwhile.
    template <class Call>
    audio::Result whileRunning(Call call);

    struct Slot {
        std::vector<std::int16_t> samples;
        audio::PcmBuffer buffer;
        std::atomic<bool> done{false};
    };

    std::array<Slot, kBuffers> slots_;
    std::size_t next_ = 0;
    apt::WindowHandle window_;
    apt::MessageId message_ = 0;
    RecordChain chain_;
    std::mutex deviceLock_;
    std::atomic<bool> stopping_{false};
};

} // namespace kez::sonwell
