#pragma once
// Address rules of the UDP path: usable addresses, the group range, the destination port.
#include "ralnet/j5.h"

#include <cstdint>

namespace ralnet::udp {

// Neither 0.0.0.0 nor 255.255.255.255.
bool isUsableAddress(const std::uint8_t* address);

// 224.0.0.0 to 239.255.255.255: the only addresses a join accepts or the group port serves.
bool isGroupAddress(const std::uint8_t* address);

// 47096 for a group, else 47093.
std::uint16_t destinationPort(const std::uint8_t* address);

// J5_OK when the own address and mask are usable, else J5_FAILED.
J5Result myAddressCheck(const J5IpSettings& settings);

// J5_OK when myAddressCheck passes and the gateway is usable and inside the own subnet.
J5Result gatewayAddressCheck(const J5IpSettings& settings);

} // namespace ralnet::udp
