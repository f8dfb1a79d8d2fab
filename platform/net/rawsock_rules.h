#pragma once
// What the broker kez-rawsock does for the program it serves, and nothing more: it sends
// J5 frames from the adapter's own address on the adapter it is bound to, and joins
// multicast groups and all-multicast, never promiscuous mode.
#include <cstdint>
#include <span>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::net::detail {

struct BoundAdapter {
    int ifindex = 0;
    MacAddress mac{}; // its station address now
};

// Refusals are PermissionDenied (EPERM); frames above kBrokerFrameLimit FrameTooLong.
PortStatus checkOutgoingFrame(const BoundAdapter& adapter, int ifindex, std::span<const std::uint8_t> frame);
// `membership` a PACKET_MR_* kind; `group` counts for PACKET_MR_MULTICAST only.
PortStatus checkMembership(std::uint16_t membership, const MacAddress& group);

} // namespace kez::net::detail
