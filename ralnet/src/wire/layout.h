#pragma once
// J5 packet types, header kinds, 802.1Q priorities, header room and the framing choice on send.
#include "ralnet/j5.h"

#include <cstdint>

namespace ralnet::wire {

inline constexpr std::uint16_t kEtherTypeJ5 = 0x88B5;
inline constexpr std::uint16_t kEtherTypeVlan = 0x8100;
inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr std::uint16_t kEtherTypeArp = 0x0806;
inline constexpr std::size_t kEthernetHeaderLen = 14;
inline constexpr std::size_t kVlanTagLen = 4;
inline constexpr std::size_t kSnapLen = 8;      // AA AA 03, OUI, protocol
inline constexpr std::size_t kMakerSnapLen = 6; // AA AA 03, OUI; the J5 type stands in the protocol field
inline constexpr std::uint8_t kSnapOui[3] = {0x00, 0x00, 0x00};
inline constexpr std::uint8_t kMakerOui[3] = {0x02, 0x5A, 0x4E};
inline constexpr std::uint8_t kLlcSnap[3] = {0xAA, 0xAA, 0x03};

// Offsets inside the full header.
inline constexpr std::size_t kOffType = 0;
inline constexpr std::size_t kOffSenderMac = 2;
inline constexpr std::size_t kOffSequence = 8;
inline constexpr std::size_t kOffDestVdn = 10;
inline constexpr std::size_t kOffSrcVdn = 12;
inline constexpr std::size_t kOffReceiverIndex = 14;
inline constexpr std::size_t kOffSenderIndex = 16;

enum class HeaderKind : std::uint8_t {
    Full,     // 18 bytes
    Short,    // 8 bytes: type and sender MAC
    OlderHu,  // 12 bytes: "HU", counter, two caller words, two zero words (maker SNAP only)
    TypeOnly, // 2 bytes: "DL" (maker SNAP only)
};

std::size_t headerLength(HeaderKind kind);

// The header a packet of this type carries when sent with this bitmap; false for types that
// never go on the wire.
bool headerKindForSend(std::uint16_t type, J5HeaderBitMap bitmap, HeaderKind& kind);

// The tag control word Ralnet puts on a packet of this type, from the caller's word.
std::uint16_t tagControlFor(std::uint16_t type, std::uint16_t callerTci);

// Bytes in front of the payload that a packet with this bitmap may need for its headers.
std::uint16_t headerRoom(J5HeaderBitMap bitmap);

enum class Framing : std::uint8_t { Plain, Vlan, Snap, MakerSnap, SnapInVlan, MakerSnapInVlan, Udp };

Framing framingFor(J5HeaderBitMap bitmap);

} // namespace ralnet::wire
