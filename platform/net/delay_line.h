#pragma once
// Frames on their way along a slow virtual wire. Each leaves `delayMs` after it was queued by
// the platform clock, in the order queued, from the line's own thread. One frame at a time
// may be held back: it leaves right behind the next frame queued, or kReorderHoldMs after its
// own time when none follows. Without a delay, frames leave at once on the caller's thread and
// the line's thread only lets a held frame go whose hold ran out. Frames still on the line
// when it stops are lost, as on a cable pulled out.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "kez/sys/thread.h"
#include "kez/sys/tick.h"

namespace kez::net::detail {

inline constexpr sys::Tick kReorderHoldMs = 10;

class DelayLine {
public:
    // Called for each frame as it leaves.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    DelayLine(std::uint32_t delayMs, Sink sink);
    ~DelayLine();
    DelayLine(const DelayLine&) = delete;
    DelayLine& operator=(const DelayLine&) = delete;

    bool start();
    // Ends the thread; what was still queued is dropped.
    void stop();
    // `copies` of the frame leave one after the other. True when the frame is the one held back.
    bool queue(std::span<const std::uint8_t> frame, int copies, bool holdBack);

    struct State;

private:
    std::shared_ptr<State> state_;
    sys::Thread thread_;
};

} // namespace kez::net::detail
