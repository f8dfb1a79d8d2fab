#pragma once
// A received Ethernet frame as Ralnet lends it to its application: the fields j5.h marks
// (R) laid over the frame, so Linkor's loading is tested without Ralnet's receive path.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "ralnet/j5.h"

namespace kez::linkor::test {

// `pathFlags` names the framing: an 802.1Q tag after the addresses, and a short or full J5
// header. Everything after the header, padding included, is payload. A frame too short for
// its framing gives an empty object.
inline J5PacketObj lentFromEthernet(std::span<std::uint8_t> frame, std::uint16_t pathFlags) {
    constexpr std::size_t kAddresses = 12;
    constexpr std::size_t kTag = 4;
    constexpr std::size_t kEtherType = 2;
    const bool tagged = pathFlags & J5_HBM_8021Q;
    const std::size_t header = pathFlags & J5_HBM_SHORT_HEADER ? J5_SHORT_HEADER_LEN : J5_FULL_HEADER_LEN;
    const std::size_t j5 = kAddresses + (tagged ? kTag : 0) + kEtherType;
    J5PacketObj packet{};
    if (frame.size() < j5 + header || frame.size() > UINT16_MAX) return packet;
    packet.linkDestinationRef = frame.data();
    packet.headerRef = frame.data() + j5;
    packet.dataRef = packet.headerRef + header;
    packet.length = static_cast<std::uint16_t>(frame.size() - j5 - header);
    packet.pathFlags = pathFlags;
    if (tagged) std::memcpy(&packet.tagControlWord, frame.data() + kAddresses + 2, 2); // kept in wire order
    return packet;
}

} // namespace kez::linkor::test
