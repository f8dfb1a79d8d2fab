#pragma once
// The shared part of an apartment: its queue, windows and timers. Posters on any
// thread and the handles they keep reach it; it outlives the owning thread so a late
// post fails cleanly instead of touching freed memory. Payloads and procedures are
// always destroyed outside the lock, since their destructors may post or release.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "apartment_signals.h"
#include "kez/apt/message.h"
#include "timer_table.h"

namespace kez::apt::detail {

struct WindowRecord {
    std::string title;
    Procedure procedure;
};

struct Delivery {
    WindowId id;
    std::shared_ptr<WindowRecord> window;
    Message message;
};

class ApartmentState {
public:
    static constexpr std::uint64_t kAllQueued = std::numeric_limits<std::uint64_t>::max();

    ApartmentState();

    int error() const { return signals_.error(); }
    int pollFd() const { return signals_.pollFd(); }
    bool onOwnerThread() const { return std::this_thread::get_id() == owner_; }

    // Any thread.
    WindowId addWindow(std::string title, Procedure procedure);
    // Off the owning thread this also waits for a call of the window's procedure that is
    // running there, so the caller may free what the procedure uses once it returns.
    void removeWindow(WindowId window);
    bool isWindow(WindowId window) const;
    bool post(WindowId window, Message message);
    bool setTimer(WindowId window, TimerId timer, std::uint64_t intervalMs);
    bool killTimer(WindowId window, TimerId timer);
    void requestQuit();
    bool takeQuit();
    // The owning thread ended: every window is gone and every queued message dropped.
    void close();

    // Owning thread.
    void collectDueTimers();
    std::uint64_t lastSequence() const;
    // next() and beginCall() begin a call of a procedure (counted under the lock that finds
    // the window, so a destroy on another thread cannot slip in and miss it); deliver() runs
    // and ends it.
    // The oldest message (of `only` when given) queued at or before `upTo`.
    std::optional<Delivery> next(std::optional<WindowId> only, std::uint64_t upTo = kAllQueued);
    // The window, when it still exists, for a direct call.
    std::shared_ptr<WindowRecord> beginCall(WindowId window);
    // Runs the procedure of a begun call; an exception it lets out is traced and stops nothing else.
    Result deliver(WindowId id, const WindowRecord& window, Message& message);
    Result deliver(Delivery& delivery) { return deliver(delivery.id, *delivery.window, delivery.message); }
    void waitForWork(sys::Timeout limit) { signals_.waitForWake(limit); }

private:
    struct Entry {
        std::uint64_t sequence;
        WindowId window;
        bool fromTimer;
        Message message;
    };

    void pushLocked(WindowId window, bool fromTimer, Message message);
    void refreshSignalsLocked();

    const std::thread::id owner_ = std::this_thread::get_id();
    ApartmentSignals signals_;
    std::atomic<bool> quitRequested_{false};

    mutable std::mutex mutex_;
    std::deque<Entry> queue_;
    std::unordered_map<WindowId, std::shared_ptr<WindowRecord>> windows_;
    // Calls in progress per window (nested pumps can re-enter a procedure).
    std::unordered_map<WindowId, int> activeCalls_;
    std::condition_variable callEnded_;
    TimerTable timers_;
    std::uint64_t nextSequence_ = 1;
    bool closed_ = false;
};

} // namespace kez::apt::detail
