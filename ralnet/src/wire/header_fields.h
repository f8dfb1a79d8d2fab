#pragma once
// The fields of a J5 header in host order, whichever of the four header forms carries them.
#include "ralnet/j5.h"

#include <cstdint>

namespace ralnet::wire {

struct HeaderFields {
    std::uint16_t type = 0;
    std::uint8_t senderMac[J5_MAC_LEN] = {};
    std::uint16_t sequence = 0; // "HU": the running counter
    std::uint16_t destVdn = 0;
    std::uint16_t srcVdn = 0;
    std::uint16_t receiverIndex = 0;
    std::uint16_t senderIndex = 0;
    std::uint16_t olderHuWords[2] = {}; // caller's words of the older "HU" header
};

} // namespace ralnet::wire
