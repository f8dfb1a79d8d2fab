#pragma once
// J5 frames for tests, built byte by byte from the framing tables rather than by the code under
// test: Ethernet II, 802.1Q-tagged and LLC/SNAP framings around recognisable J5 parts.
#include <cstdint>
#include <optional>
#include <span>

#include "bytes.h"
#include "kez/net/mac_address.h"

namespace kez::test {

using net::MacAddress;

inline constexpr std::uint16_t kJ5EtherType = 0x88B5;

// Building blocks for frames of other shapes: a MAC, a 16-bit word in network order.
void appendMac(Bytes& frame, const MacAddress& mac);
void append16(Bytes& frame, unsigned value);

// Addresses, type (or length) and body, not padded.
Bytes ethernetFrame(const MacAddress& to, const MacAddress& from, std::uint16_t type,
                    std::span<const std::uint8_t> body);
// Padded with zeros to the 60-byte Ethernet minimum.
Bytes padded(Bytes frame);

// A recognisable J5 part: the type "HR" and a payload counting up from `seed`.
Bytes j5Part(std::size_t length, std::uint8_t seed = 0);
// `part` behind EtherType 0x88B5, with an 802.1Q tag carrying `tci` when given, padded.
Bytes j5Frame(const MacAddress& to, const MacAddress& from, std::span<const std::uint8_t> part,
              std::optional<unsigned> tci = std::nullopt);
Bytes plainFrame(const MacAddress& to, const MacAddress& from, std::size_t partLength = 46, std::uint8_t seed = 0);
Bytes taggedFrame(const MacAddress& to, const MacAddress& from, unsigned tci);
// A J5 part behind another EtherType, not padded.
Bytes etherTypeFrame(const MacAddress& to, const MacAddress& from, unsigned type);
// LLC/SNAP with OUI 00 00 00 (protocol 0x88B5) or the maker's 02 5A 4E (protocol = J5 type).
Bytes snapFrame(const MacAddress& to, const MacAddress& from, bool maker, std::uint16_t protocol,
                std::optional<unsigned> tci = std::nullopt);

// A plain "HU" of `size` bytes, zero header fields, whose payload starts with `marker`.
Bytes huFrame(const MacAddress& to, const MacAddress& from, std::uint8_t marker, std::size_t size = 60);
// An "HA" part (type, sender, audio), as a datagram carries it, and the plain frame around it.
Bytes haPart(const MacAddress& from, std::span<const std::uint8_t> audio);
Bytes haFrame(const MacAddress& to, const MacAddress& from, std::span<const std::uint8_t> audio);

} // namespace kez::test
