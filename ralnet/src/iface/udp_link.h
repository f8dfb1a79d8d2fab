#pragma once
// The UDP and IP multicast transport of an interface: made with the interface, its two
// receive loops run on the "j5-udp-rx" and "j5-mcast-rx" threads.
#include "udp/udp_transport.h"

#include <memory>

struct J5Interface;

namespace ralnet::iface {

// Received datagrams take large objects from the interface's pools and go to the receive
// dispatcher; the own MAC drops this station's looped-back multicast packets.
std::unique_ptr<udp::UdpTransport> makeUdpTransport(J5Interface& iface);

} // namespace ralnet::iface
