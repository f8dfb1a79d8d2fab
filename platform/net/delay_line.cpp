#include "delay_line.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "kez/sys/event.h"

namespace kez::net::detail {
namespace {

struct Departure {
    std::vector<std::uint8_t> frame;
    int copies = 1;
    sys::Tick due = 0;
};

// Ticks wrap: a time is reached once it lies at most half the tick range behind `now`.
std::int32_t msUntil(sys::Tick due, sys::Tick now) { return static_cast<std::int32_t>(due - now); }

} // namespace

// Owned jointly by the line and its thread.
struct DelayLine::State {
    std::uint32_t delayMs;
    Sink sink;
    std::mutex mutex;
    std::deque<Departure> line;
    std::optional<Departure> held;
    bool stopping = false;
    sys::Event wake{sys::Event::Reset::Auto};

    void run();
    void send(const std::vector<Departure>& departures) const {
        for (const Departure& departure : departures) {
            for (int copy = 0; copy < departure.copies; ++copy)
                sink(departure.frame);
        }
    }
    // Moves what is due by `now` to `ready`; the wait until the next departure.
    sys::Timeout takeDue(sys::Tick now, std::vector<Departure>& ready);
};

void DelayLine::State::run() {
    for (;;) {
        std::vector<Departure> ready;
        sys::Timeout wait = sys::kInfinite;
        {
            std::lock_guard lock(mutex);
            if (stopping) return;
            wait = takeDue(sys::tickMs(), ready);
        }
        send(ready);
        if (ready.empty()) wake.wait(wait);
    }
}

sys::Timeout DelayLine::State::takeDue(sys::Tick now, std::vector<Departure>& ready) {
    while (!line.empty() && msUntil(line.front().due, now) <= 0) {
        ready.push_back(std::move(line.front()));
        line.pop_front();
    }
    if (held && msUntil(held->due, now) <= 0) {
        ready.push_back(std::move(*held));
        held.reset();
    }
    std::int32_t next = INT32_MAX;
    if (!line.empty()) next = msUntil(line.front().due, now);
    if (held) next = std::min(next, msUntil(held->due, now));
    return next == INT32_MAX ? sys::kInfinite : sys::Timeout(std::max(next, 0));
}

DelayLine::DelayLine(std::uint32_t delayMs, Sink sink) : state_(std::make_shared<State>()) {
    state_->delayMs = delayMs;
    state_->sink = std::move(sink);
}

DelayLine::~DelayLine() { stop(); }

bool DelayLine::start() {
    return thread_.start("kez-delayline", [state = state_] { state->run(); });
}

void DelayLine::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->line.clear();
        state_->held.reset();
    }
    state_->wake.set();
    if (thread_.joinable()) thread_.join();
}

bool DelayLine::queue(std::span<const std::uint8_t> frame, int copies, bool holdBack) {
    std::vector<Departure> leavingNow;
    bool holding = false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) return false;
        const sys::Tick due = sys::tickMs() + state_->delayMs;
        const auto depart = [&](Departure&& departure) {
            if (state_->delayMs == 0) {
                leavingNow.push_back(std::move(departure));
            } else {
                state_->line.push_back(std::move(departure));
            }
        };
        holding = holdBack && !state_->held;
        if (holding) {
            state_->held = Departure{{frame.begin(), frame.end()}, copies, due + kReorderHoldMs};
        } else {
            depart(Departure{{frame.begin(), frame.end()}, copies, due});
            if (state_->held) {
                state_->held->due = due;
                depart(std::move(*state_->held));
                state_->held.reset();
            }
        }
    }
    state_->wake.set();
    state_->send(leavingNow);
    return holding;
}

} // namespace kez::net::detail
