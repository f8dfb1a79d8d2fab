#pragma once
// The receive filter of the packet-driver client, in front of the Ethernet input.
#include "ralnet/j5.h"

#include <cstdint>
#include <span>

namespace ralnet::link {

inline constexpr std::size_t kMaxAcceptedFrame = 1517;

// A J5 framing; 60 to 1,517 bytes; addressed to `ownMac`, or to a group while not sent by
// `ownMac`.
bool frameAccepted(std::span<const std::uint8_t> frame, const std::uint8_t (&ownMac)[J5_MAC_LEN]);

// "HE", "HH", "HI" or "HY", which may take an object from the pools' reserve.
bool isControlFrame(std::span<const std::uint8_t> frame);

} // namespace ralnet::link
