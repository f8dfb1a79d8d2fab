#include "iface/worker_threads.h"

#include "iface/interface.h"
#include "iface/waits.h"

#include <algorithm>

namespace ralnet::iface {
namespace {

using kez::sys::ThreadPriority;

} // namespace

bool WorkerThreads::start(J5Interface& iface) {
    struct Body {
        const char* name;
        void (*run)(J5Interface&);
        ThreadPriority priority;
    };
    const std::array<Body, 7> bodies{{
        {"j5-dispatch", runDispatcher, ThreadPriority::Normal},
        {"j5-txcontrol", runTransmitControl, ThreadPriority::Normal},
        {"j5-errors", runErrorHandler, ThreadPriority::Normal},
        {"j5-udp-rx", runUdpReceiver, ThreadPriority::Normal},
        {"j5-mcast-rx", runMulticastReceiver, ThreadPriority::Normal},
        {"j5-link-rx", runLinkReceiver, ThreadPriority::Normal},
        {"j5-tick", runTick, ThreadPriority::Highest},
    }};
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const Body body = bodies[i];
        if (!threads_[i].start(
                body.name, [body, &iface] { body.run(iface); }, body.priority))
            return false;
    }
    return true;
}

void WorkerThreads::joinAll() {
    for (auto& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

std::size_t WorkerThreads::running() const {
    return static_cast<std::size_t>(
        std::count_if(threads_.begin(), threads_.end(), [](const kez::sys::Thread& t) { return t.joinable(); }));
}

void runTransmitControl(J5Interface& iface) {
    while (waitOrStop(iface, iface.transmitControlEvent) == Wake::Signalled)
        iface.reliable->transmitControlWake();
}

void runErrorHandler(J5Interface& iface) {
    while (waitOrStop(iface, iface.errorSemaphore) == Wake::Signalled)
        iface.reliable->errorSignalled();
}

// Ticks every period while a head awaits its answer; otherwise sleeps until one is sent (the
// tick event) or the interface stops.
void runTick(J5Interface& iface) {
    const kez::sys::Timeout period{iface.tickPeriodMs};
    for (;;) {
        const Wake wake = waitOrStop(iface, iface.tickEvent, iface.tickArming.armed() ? period : kez::sys::kInfinite);
        if (wake == Wake::Stop) return;
        if (wake == Wake::Signalled) continue;
        iface.tickFlag.store(true);
        iface.transmitControlEvent.set();
    }
}

} // namespace ralnet::iface
