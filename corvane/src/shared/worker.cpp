#include "worker.h"

#include <cerrno>
#include <system_error>

namespace kez::corvane {

bool Worker::makeEvent(sys::Event::Reset mode) {
    auto event = std::make_unique<sys::Event>(mode, false, std::nothrow);
    if (!event->valid()) return false;
    event_ = std::move(event);
    return true;
}

bool Worker::startThread(std::string name, std::function<void(sys::Event&)> body) {
    sys::Event& event = *event_;
    errno = 0;
    try {
        return thread_.start(std::move(name), [&event, body = std::move(body)] { body(event); });
    } catch (const std::system_error& error) { // the thread's own descriptors could not be had
        errno = error.code().value();
        return false;
    }
}

void Worker::signal() {
    if (event_) event_->set();
}

void Worker::stop() {
    signal();
    if (thread_.joinable()) thread_.join();
    thread_ = sys::Thread(); // lets go of the ended thread's descriptor now
    event_.reset();
}

} // namespace kez::corvane
