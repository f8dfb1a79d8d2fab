#pragma once
// The unreliable sends: "HU", "HA" and "DL" go straight to the link, once, and their
// objects go back to the pool after the write.
#include "ralnet/j5.h"

#include <cstdint>

struct J5Interface;

namespace ralnet::iface {

struct UnreliableSend {
    std::uint16_t type = 0; // "HU", "HA" or "DL"
    const std::uint8_t* destMac = nullptr;
    std::uint16_t destVdn = 0; // full-header "HU"
    std::uint16_t srcVdn = 0;
    std::uint16_t olderHuWords[2] = {};
    const std::uint8_t* payload = nullptr; // null: zeros
    std::uint16_t length = 0;
    J5HeaderBitMap bitmap = 0;
    const std::uint8_t* destIp = nullptr;
    const void* udpAddress = nullptr;
    std::uint16_t ipTos = 0;
    std::uint16_t tci = 0; // host order; the type decides the priority
    std::uint32_t callerTag = 0;
};

// After the caller's own checks (started, bitmap for its type): the UDP path's checks, a
// packet object, the framing, the link. 0x4000, 0x8300, 0x8500, 0x8C00 or 0x8D00.
// "HU" takes the next value of the interface's running counter.
J5Result sendUnreliable(J5Interface& iface, const UnreliableSend& send);

} // namespace ralnet::iface
