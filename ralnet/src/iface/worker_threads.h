#pragma once
// The seven threads of an interface. Each waits on its own wake-up and on the stop event;
// stopping is: set the stop event, then joinAll(), which waits without a limit because
// every wait in the bodies ends on the stop event.
#include "kez/sys/thread.h"

#include <array>

struct J5Interface;

namespace ralnet::iface {

class WorkerThreads {
public:
    // Starts dispatcher, transmit control, error handler, UDP receive, multicast receive,
    // packet-driver receive and tick, in that order. False when one could not be started;
    // those already running are then still to be stopped.
    bool start(J5Interface& iface);
    void joinAll();
    std::size_t running() const;

private:
    std::array<kez::sys::Thread, 7> threads_;
};

// Thread bodies, one file each where they carry work of their own.
void runDispatcher(J5Interface& iface);
void runLinkReceiver(J5Interface& iface);
void runTransmitControl(J5Interface& iface);
void runErrorHandler(J5Interface& iface);
void runTick(J5Interface& iface);
void runUdpReceiver(J5Interface& iface);
void runMulticastReceiver(J5Interface& iface);

} // namespace ralnet::iface
