#pragma once
// Peer addresses as connection keys.
#include "ralnet/j5.h"

#include <cstdint>
#include <cstring>

namespace ralnet::reliable {

inline bool isMulticastMac(const std::uint8_t* mac) { return (mac[0] & 0x01) != 0; }

inline bool isZeroMac(const std::uint8_t* mac) {
    static constexpr std::uint8_t kZero[J5_MAC_LEN] = {};
    return std::memcmp(mac, kZero, J5_MAC_LEN) == 0;
}

// Multicast and all-zero addresses never get a connection.
inline bool acceptableConnectionPeer(const std::uint8_t* mac) { return !isMulticastMac(mac) && !isZeroMac(mac); }

inline bool sameMac(const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, J5_MAC_LEN) == 0; }

// Connections hash by the last byte of the peer's address.
inline std::uint8_t bucketOf(const std::uint8_t* mac) { return mac[J5_MAC_LEN - 1]; }

} // namespace ralnet::reliable
