#pragma once
// Settings of the reliable layer, taken from the interface configuration.
#include <array>
#include <cstdint>

namespace ralnet::reliable {

// Retransmission timeouts by retry count (ms); a packet in a large buffer waits twice as long.
inline constexpr std::array<std::uint16_t, 10> kRetransmitTimeouts = {160, 160, 160, 250, 250, 250, 250, 250, 250, 250};
inline constexpr std::uint16_t kDefaultWindowLength = 50;
// The most data packets a send window holds; a connect request at its head is not counted.
inline constexpr std::uint16_t kMaxWindowLength = kDefaultWindowLength;
// Ring slots of a send window: the data packets, a connect request, and the slot a ring keeps free.
inline constexpr std::uint16_t kWindowSlots = kMaxWindowLength + 2;
inline constexpr std::uint16_t kBucketCount = 256;

struct ReliableConfig {
    std::uint16_t connections = 300;
    bool deliverHeldPackets = true;
    std::uint16_t retryLimit = 10;
    std::uint16_t windowLength = kDefaultWindowLength;
};

// The wait before a retransmission of a head sent `retries` times. Retry counts beyond the table
// (a limit above 10, and the wait before giving up) keep the last entry.
std::uint32_t retransmitTimeout(std::uint16_t retries, bool largeBuffer);

} // namespace ralnet::reliable
