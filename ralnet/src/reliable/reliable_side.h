#pragma once
// Reliable delivery plugged into an interface: the dispatcher's "HR" and "HI" go to the core,
// "HH", "HY" and "HE" through the transmit-control queue to the transmit-control thread, and
// the error-handler thread works the error queue.
#include "iface/reliable_seam.h"
#include "reliable/interface_services.h"
#include "reliable/reliable_core.h"

#include <mutex>

namespace ralnet::reliable {

class InterfaceReliableSide final : public iface::ReliableSide {
public:
    explicit InterfaceReliableSide(J5Interface& iface);

    void receivedReliable(J5PacketObj& packet) override;
    void transmitControlWake() override;
    // Handles the record at the head of the error queue. The exported error-handler body may
    // run beside the interface's own thread: one record with its held packets at a time.
    void errorSignalled() override;

    ReliableCore& core() { return core_; }

private:
    void dropReliable(J5PacketObj& packet);

    J5Interface& iface_;
    InterfaceServices services_;
    InterfaceErrorQueue errorQueue_;
    std::mutex errorHandling_;
    ReliableCore core_; // last: its windows go back to the pools through services_
};

// The core behind an interface; null when reliable delivery is not plugged in.
ReliableCore* reliableCoreOf(J5Interface& iface);

} // namespace ralnet::reliable
