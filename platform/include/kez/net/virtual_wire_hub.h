#pragma once
// Relays virtual-wire frames between processes: ports opened as "vhub:<name>" in any
// process of this network namespace attach to the hub, and every frame one of them
// writes goes to all the others, which apply their own packet filter. The hub listens
// on the socket <name> in the user's private folder (see hub_address.h), so only the
// user's own processes meet on a wire; it is a test facility.
#include <cstddef>
#include <memory>
#include <string>

#include "kez/net/port_status.h"
#include "kez/sys/thread.h"

namespace kez::net {

class VirtualWireHub {
public:
    explicit VirtualWireHub(std::string name);
    ~VirtualWireHub();
    VirtualWireHub(const VirtualWireHub&) = delete;
    VirtualWireHub& operator=(const VirtualWireHub&) = delete;

    // Binds the hub's address and starts its relay thread.
    PortStatus start();
    void stop();

    std::size_t attachedPorts() const;
    std::uint64_t framesDropped() const; // a port's queue stayed full

    struct State;

private:
    std::string name_;
    std::shared_ptr<State> state_;
    sys::Thread relay_;
};

} // namespace kez::net
