#include "apartment_state.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "kez/sys/trace.h"

namespace kez::apt::detail {
namespace {

// Window ids are unique in the process, so handles to windows of different threads never compare equal.
std::atomic<WindowId> nextWindowId{1};

Result callProcedure(const WindowRecord& window, Message& message) {
    try {
        return window.procedure ? window.procedure(message) : 0;
    } catch (const std::exception& error) {
        sys::trace("apt",
                   window.title + " procedure failed on message " + std::to_string(message.id) + ": " + error.what());
    } catch (...) {
        sys::trace("apt", window.title + " procedure failed on message " + std::to_string(message.id));
    }
    return 0;
}

} // namespace

ApartmentState::ApartmentState() = default;

WindowId ApartmentState::addWindow(std::string title, Procedure procedure) {
    auto record = std::make_shared<WindowRecord>(WindowRecord{std::move(title), std::move(procedure)});
    const std::lock_guard lock(mutex_);
    if (closed_ || error() != 0) return 0;
    const WindowId id = nextWindowId.fetch_add(1, std::memory_order_relaxed);
    windows_.emplace(id, std::move(record));
    return id;
}

void ApartmentState::removeWindow(WindowId window) {
    std::shared_ptr<WindowRecord> record;
    std::vector<Entry> dropped;
    {
        std::unique_lock lock(mutex_);
        const auto it = windows_.find(window);
        if (it == windows_.end()) return;
        record = std::move(it->second);
        windows_.erase(it);
        const auto firstDropped = std::stable_partition(queue_.begin(), queue_.end(),
                                                        [&](const Entry& entry) { return entry.window != window; });
        std::move(firstDropped, queue_.end(), std::back_inserter(dropped));
        queue_.erase(firstDropped, queue_.end());
        timers_.removeWindow(window);
        refreshSignalsLocked();
        if (!onOwnerThread()) callEnded_.wait(lock, [&] { return !activeCalls_.contains(window); });
    }
}

bool ApartmentState::isWindow(WindowId window) const {
    const std::lock_guard lock(mutex_);
    return windows_.contains(window);
}

std::shared_ptr<WindowRecord> ApartmentState::beginCall(WindowId window) {
    const std::lock_guard lock(mutex_);
    const auto it = windows_.find(window);
    if (it == windows_.end()) return nullptr;
    ++activeCalls_[window];
    return it->second;
}

bool ApartmentState::post(WindowId window, Message message) {
    {
        const std::lock_guard lock(mutex_);
        if (windows_.contains(window)) {
            pushLocked(window, false, std::move(message));
            signals_.wake();
            return true;
        }
    }
    // Not delivered: `message` and its payload are destroyed on return, outside the lock.
    return false;
}

bool ApartmentState::setTimer(WindowId window, TimerId timer, std::uint64_t intervalMs) {
    const std::lock_guard lock(mutex_);
    if (!windows_.contains(window)) return false;
    timers_.set({window, timer}, intervalMs, sys::tickMs());
    refreshSignalsLocked();
    signals_.wake();
    return true;
}

bool ApartmentState::killTimer(WindowId window, TimerId timer) {
    const std::lock_guard lock(mutex_);
    if (!timers_.kill({window, timer})) return false;
    const auto pending = std::find_if(queue_.begin(), queue_.end(), [&](const Entry& entry) {
        return entry.fromTimer && entry.window == window && entry.message.w == timer;
    });
    if (pending != queue_.end()) queue_.erase(pending);
    refreshSignalsLocked();
    return true;
}

void ApartmentState::requestQuit() {
    quitRequested_.store(true, std::memory_order_release);
    signals_.wake();
}

bool ApartmentState::takeQuit() { return quitRequested_.exchange(false, std::memory_order_acq_rel); }

void ApartmentState::close() {
    std::unordered_map<WindowId, std::shared_ptr<WindowRecord>> windows;
    std::deque<Entry> dropped;
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        windows.swap(windows_);
        dropped.swap(queue_);
        timers_.clear();
        refreshSignalsLocked();
    }
}

void ApartmentState::collectDueTimers() {
    const std::lock_guard lock(mutex_);
    signals_.drainTimer();
    for (const TimerKey& due : timers_.takeDue(sys::tickMs())) {
        pushLocked(due.window, true, Message{WM_TIMER, due.timer, 0, {}});
    }
    refreshSignalsLocked();
}

std::uint64_t ApartmentState::lastSequence() const {
    const std::lock_guard lock(mutex_);
    return nextSequence_ - 1;
}

std::optional<Delivery> ApartmentState::next(std::optional<WindowId> only, std::uint64_t upTo) {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(queue_.begin(), queue_.end(), [&](const Entry& entry) {
        return entry.sequence <= upTo && (!only || entry.window == *only);
    });
    if (it == queue_.end()) return std::nullopt;
    Entry entry = std::move(*it);
    queue_.erase(it);
    if (entry.fromTimer) timers_.delivered({entry.window, static_cast<TimerId>(entry.message.w)});
    refreshSignalsLocked();
    // Destroying a window removes its messages under this lock, so the window exists.
    ++activeCalls_[entry.window];
    return Delivery{entry.window, windows_.at(entry.window), std::move(entry.message)};
}

Result ApartmentState::deliver(WindowId id, const WindowRecord& window, Message& message) {
    const Result result = callProcedure(window, message);
    {
        const std::lock_guard lock(mutex_);
        if (--activeCalls_[id] == 0) activeCalls_.erase(id);
    }
    callEnded_.notify_all();
    return result;
}

void ApartmentState::pushLocked(WindowId window, bool fromTimer, Message message) {
    queue_.push_back(Entry{nextSequence_++, window, fromTimer, std::move(message)});
    signals_.setWork(true);
}

void ApartmentState::refreshSignalsLocked() {
    signals_.setWork(!queue_.empty());
    signals_.armTimer(timers_.msUntilNextDue(sys::tickMs()));
}

} // namespace kez::apt::detail
