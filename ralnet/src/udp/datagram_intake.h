#pragma once
// Turns a datagram received into a large packet object into a J5 packet for the receive
// dispatcher. The datagram lies 42 bytes into the buffer, where an Ethernet, IPv4 and UDP
// frame would put it; the sender record lies in front of it.
#include "kez/net/udp_socket.h"
#include "ralnet/j5.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ralnet::udp {

inline constexpr std::size_t kDatagramOffset = 42;
inline constexpr std::size_t kMaxDatagram = 1476;
inline constexpr J5HeaderBitMap kUdpPathFlags = J5_HBM_ETHERNET | J5_HBM_IP | J5_HBM_UDP;

// Where the datagram is received: at most 1,476 bytes, so a longer one shows as truncated.
std::span<std::uint8_t> datagramArea(J5PacketObj& packet);

enum class IntakeVerdict : std::uint8_t {
    Accepted,
    TooShort, // shorter than the header its type announces
    TooLong,  // did not fit a frame: truncated by the receive
    NotReceived,
};

// On Accepted: headerRef and dataRef point at the J5 part, length is its size, the path flags
// are the UDP ones and udpSourceRef names the sender; Ethernet-only fields are cleared.
IntakeVerdict acceptDatagram(J5PacketObj& packet, const kez::net::ReceivedDatagram& datagram);

// A J5 part whose sender MAC (header bytes 2 to 7) is `ownMac`: this station's own packet.
bool sentByOwnStation(const J5PacketObj& packet, const std::uint8_t* ownMac);

} // namespace ralnet::udp
