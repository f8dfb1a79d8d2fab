#pragma once
// One worker thread of the engine and the event that wakes it. Stop signals the event and
// joins without limit: every worker's wait ends on its event.
#include <functional>
#include <memory>
#include <string>

#include "kez/sys/event.h"
#include "kez/sys/thread.h"

namespace kez::corvane {

class Worker {
public:
    // False (errno says why) when no event could be made.
    bool makeEvent(sys::Event::Reset mode);
    // Runs `body` with the event on a new thread; false (errno says why) when it could not start.
    bool startThread(std::string name, std::function<void(sys::Event&)> body);
    void signal();
    // Signals, joins, and drops the event; nothing when neither exists.
    void stop();
    bool exists() const { return static_cast<bool>(event_); }

private:
    std::unique_ptr<sys::Event> event_;
    sys::Thread thread_;
};

} // namespace kez::corvane
