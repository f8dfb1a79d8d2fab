#pragma once
// Reading and patching the J5 header of packet objects, and building control packets
// ("HI", "HH", "HY", "HE") into a fresh or a received object.
#include "ralnet/j5.h"
#include "wire/header_fields.h"

#include <cstdint>

namespace ralnet::reliable {

// Where and how a packet goes: the caller's bitmap, the peer, and the words the link uses.
struct Route {
    J5HeaderBitMap bitmap = 0;
    std::uint8_t destMac[J5_MAC_LEN] = {};
    std::uint8_t destIp[4] = {};
    std::uint16_t typeOfService = 0; // as stored in the packet object
    std::uint16_t vlanId = 0;        // host order; the packet type decides the priority
};

// UDP replies to a peer go with this type of service.
inline constexpr std::uint16_t kReplyTypeOfService = 84;

// A header word of a received packet (headerRef) or of a packet built here (sendHeaderRef).
std::uint16_t receivedWord(const J5PacketObj& packet, std::size_t offset);
std::uint16_t builtWord(const J5PacketObj& packet, std::size_t offset);
void patchBuiltWord(J5PacketObj& packet, std::size_t offset, std::uint16_t value);

// The fields of a received full header.
wire::HeaderFields receivedHeader(const J5PacketObj& packet);

// The route that answers a received packet: back to its sender, on the path it came by.
Route replyRouteOf(const J5PacketObj& received);

// The route a built packet was sent on.
Route routeOf(const J5PacketObj& built);

// Builds a full-header packet into `packet` (whatever it held before) and fills its send fields.
// False when the route cannot carry it or the buffer is too small.
bool buildFullPacket(J5PacketObj& packet, const wire::HeaderFields& header, const Route& route,
                     const std::uint8_t* payload, std::uint16_t payloadLength);

// Bytes to ask the pools for a packet of `payloadLength` on `bitmap`.
std::size_t requestSize(J5HeaderBitMap bitmap, std::uint16_t payloadLength);

bool isLargeBuffer(const J5PacketObj& packet);

} // namespace ralnet::reliable
