#pragma once
// Hidden windows: the way a component's worker threads hand results to the thread
// that created the component. A worker posts a message to the component's window;
// the window's procedure runs later on the creating thread, in posting order with
// every other message of that thread's apartment.
//
// Reference rules for a component that owns a hidden window and worker threads
// (breaking one deadlocks or frees state in use):
// - No worker thread holds the last reference to its owner. A worker gets a plain
//   pointer to the parts of its owner it uses, or a WindowHandle, never a Ptr to the
//   owner: a final release on that thread would run the owner's destructor, which
//   joins that very thread. The owner's Stop/Close and destructor join their workers
//   before any member the workers touch is destroyed.
// - A sink that the owner advises on a child component holds a non-owning pointer to
//   its owner (the child's connection point owns the sink; an owning pointer back
//   would make a cycle owner -> child -> sink -> owner that is never released).
//   kez/com/connection_point.h guarantees no sink call is running once unadvise returns.
// - What a message carries is owned by the message (its Payload), so a message that
//   is never delivered (window destroyed, thread ended) frees what it carries.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kez/apt/message.h"

namespace kez::apt {

namespace detail {
class ApartmentState;
using WindowId = std::uint64_t;
} // namespace detail

using TimerId = std::uint32_t;

// What a worker keeps to reach a window: cheap to copy, safe to use after the window
// and its apartment are gone (posting then fails).
class WindowHandle {
public:
    WindowHandle() = default;

    // Queues `message` for the window's procedure; never blocks, any thread. False once
    // the window is destroyed or its thread has ended; the message and its payload are
    // then destroyed here.
    bool post(Message message) const;

    // True while the window exists.
    bool alive() const;

    explicit operator bool() const { return alive(); }
    bool operator==(const WindowHandle& other) const { return id_ == other.id_; }

private:
    friend class HiddenWindow;
    friend class Apartment;
    WindowHandle(std::shared_ptr<detail::ApartmentState> apartment, detail::WindowId id);

    std::shared_ptr<detail::ApartmentState> apartment_;
    detail::WindowId id_ = 0;
};

class HiddenWindow {
public:
    // Creates the window on the calling thread's apartment. Check created(): when the
    // apartment could not get its descriptors, error() holds the errno.
    HiddenWindow(std::string title, Procedure procedure);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    bool created() const { return id_ != 0; }
    int error() const { return error_; }
    const std::string& title() const { return title_; }
    WindowHandle handle() const;

    bool post(Message message) const { return handle().post(std::move(message)); }

    // Calls the procedure at once; only on the window's own thread. Nothing (and no call)
    // from another thread or once destroyed.
    std::optional<Result> send(Message message);

    // Delivers WM_TIMER with w = `timer` every `interval` (at least 10 ms), through the
    // same queue as posted messages and never two pending for one timer. Setting an id
    // again restarts it with the new interval. False once destroyed.
    bool setTimer(TimerId timer, std::chrono::milliseconds interval);
    // Stops the timer and drops its pending message; false when no such timer.
    bool killTimer(TimerId timer);

    // Destroys the window now (also done by the destructor): later posts fail, queued
    // messages and timers are dropped. Safe from any thread; from another thread it
    // first waits for a call of the procedure that is running on the window's thread,
    // so do not call it holding a lock that procedure takes.
    void destroy();

private:
    friend class Apartment;

    std::string title_;
    std::shared_ptr<detail::ApartmentState> apartment_;
    detail::WindowId id_ = 0;
    int error_ = 0;
};

// The first existing window of this process with this title (compared without regard
// to ASCII case), or an empty handle.
WindowHandle findWindow(std::string_view title);

} // namespace kez::apt
