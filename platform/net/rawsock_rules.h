#pragma once
// What the broker kez-rawsock does for the program it serves, and nothing more: it sends
// J5 frames from the adapter's own address on the adapter it is bound to, and joins
// multicast groups and all-multicast, never promiscuous mode. A tag on a sent frame names no
// VLAN or the one the call server's traffic came in on.
#include <cstdint>
#include <optional>
#include <span>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::net::detail {

struct BoundAdapter {
    int ifindex = 0;
    MacAddress mac{}; // its station address now
    // The tag control word of the last tagged J5 frame that came in for this station with a
    // VLAN identifier (the call server configures the set's tag by sending on that VLAN), 0 before.
    std::uint16_t learnedTag = 0;
};

// The tag control word of a frame's in-frame 802.1Q tag.
std::optional<std::uint16_t> outerTag(std::span<const std::uint8_t> frame);
// VLAN identifier 0 (priority only) or the learned one; the priority and drop-eligible bits
// one that J5 composes itself ("HR" 6, "HI" 5, "HU" 3, "DL" 0, never drop-eligible) or the
// learned word's ("HA" carries the call server's word whole).
bool tagAllowed(std::uint16_t tag, std::uint16_t learnedTag);
// A received frame whose tag names a VLAN makes that tag the learned one.
void learnTag(std::span<const std::uint8_t> received, std::uint16_t& learnedTag);

// Refusals are PermissionDenied (EPERM); frames above kBrokerFrameLimit FrameTooLong.
PortStatus checkOutgoingFrame(const BoundAdapter& adapter, int ifindex, std::span<const std::uint8_t> frame);
// `membership` a PACKET_MR_* kind; `group` counts for PACKET_MR_MULTICAST only.
PortStatus checkMembership(std::uint16_t membership, const MacAddress& group);

} // namespace kez::net::detail
