#pragma once
// One thread's message queue: every hidden window created on a thread belongs to that
// thread's apartment, and the apartment delivers the windows' messages in posting order
// (first in, first out over all its windows) whenever its thread pumps.
//
// A thread pumps by run() (a program or test loop), by dispatchPending() (from a foreign
// event loop that watches fd()), or by pumpFor() (a nested wait inside a call that must
// keep the apartment responsive, e.g. a Close that waits for its own window to drain).
//
// A Qt program watches fd() with a QSocketNotifier that calls dispatchPending(), and sets
// an external pump that runs QCoreApplication::processEvents for the given time, with
// that notifier disabled, so nested waits keep the user interface alive.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "kez/apt/hidden_window.h"
#include "kez/sys/wait.h"

namespace kez::apt {

class Apartment {
public:
    // This thread's apartment, made on first use; it ends with its thread, and then drops
    // (and frees) every message still queued.
    static Apartment& current();

    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // Readable while messages are queued or a timer is due; -1 when the apartment could
    // not be set up (error() says why).
    int fd() const;
    int error() const;

    // Delivers the messages queued now, in order; messages they post wait for the next
    // call. Inside a window-filtered pumpFor it keeps to that window.
    void dispatchPending();

    // Delivers messages (only `onlyWindow`'s when given; the others stay queued in order)
    // until `until` holds (true) or `limit` passes (false). `until` is checked before the
    // first and after each delivered message.
    bool pumpFor(sys::Timeout limit, const std::function<bool()>& until = {}, const HiddenWindow* onlyWindow = nullptr);

    // Delivers messages until quit() is called.
    void run();
    // Ends the innermost run() after the message being delivered; a quit requested while
    // no run() is active ends the next one at once.
    void quit();

    // Called by nested pumps with the time it may take, so a foreign event loop processes
    // its own events meanwhile. Empty to remove.
    using ExternalPump = std::function<void(sys::Timeout)>;
    void setExternalPump(ExternalPump pump);

private:
    friend class HiddenWindow;

    Apartment();

    bool dispatchOne(std::optional<detail::WindowId> only);
    void waitForWork(sys::Timeout limit);
    std::optional<detail::WindowId> activeFilter() const;

    std::shared_ptr<detail::ApartmentState> state_;
    std::vector<std::optional<detail::WindowId>> filters_;
    ExternalPump externalPump_;
};

} // namespace kez::apt
