#include "kez/sys/thread.h"

#include <pthread.h>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "kez/sys/event.h"
#include "kez/sys/last_error.h"
#include "kez/sys/trace.h"
#include "test_time.h"
#include "thread_priority.h"

namespace kez::sys {

// Owned jointly by the Thread and by the running thread itself, so a thread that
// outlives its join limit never touches freed state.
struct Thread::State {
    std::string name;
    std::thread thread;
    Event finished{Event::Reset::Manual};
    std::atomic<bool> done{false};
};

namespace {

constexpr std::size_t kVisibleNameLength = 15;

void run(const std::string& name, const std::function<void()>& body, ThreadPriority priority) {
    ::pthread_setname_np(::pthread_self(), name.substr(0, kVisibleNameLength).c_str());
    detail::applyPriority(priority);
    try {
        body();
    } catch (const std::exception& error) {
        trace("thread", name + " ended by an exception: " + error.what());
    } catch (...) {
        trace("thread", name + " ended by an unknown exception");
    }
}

const std::string kNoName;

} // namespace

Thread::Thread() = default;

Thread::~Thread() {
    if (joinable()) join();
}

Thread::Thread(Thread&&) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        if (joinable()) join();
        state_ = std::move(other.state_);
    }
    return *this;
}

bool Thread::start(std::string name, std::function<void()> body, ThreadPriority priority) {
    if (joinable()) return false;
    auto state = std::make_shared<State>();
    state->name = std::move(name);
    detail::noteThreadStarting();
    try {
        state->thread = std::thread([state, body = std::move(body), priority] {
            detail::enterThreadBody();
            run(state->name, body, priority);
            state->done.store(true, std::memory_order_release);
            state->finished.set();
            // Counted until its joiner is woken, so a test clock never sees everyone idle between.
            detail::noteThreadEnded();
        });
    } catch (const std::system_error& error) {
        detail::noteThreadStartFailed();
        setLastError(error.code().value());
        return false;
    }
    state_ = std::move(state);
    return true;
}

bool Thread::join(Timeout limit) {
    if (!state_) return true;
    auto& thread = state_->thread;
    if (thread.joinable() && thread.get_id() == std::this_thread::get_id()) {
        // A thread cannot join itself (its owner was released on it): let it end on its own.
        thread.detach();
        trace("thread", state_->name + " released on itself; detached");
        return false;
    }
    if (!state_->finished.wait(limit)) {
        if (thread.joinable()) thread.detach();
        return false;
    }
    if (thread.joinable()) thread.join();
    return true;
}

bool Thread::joinable() const { return state_ && state_->thread.joinable(); }

bool Thread::finished() const { return state_ && state_->done.load(std::memory_order_acquire); }

const std::string& Thread::name() const { return state_ ? state_->name : kNoName; }

} // namespace kez::sys
