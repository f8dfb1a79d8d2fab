#pragma once
// How a program talks to the broker kez-rawsock, which keeps the packet socket for it.
// Invocation: kez-rawsock <adapter> <descriptor number of a connected AF_UNIX SOCK_SEQPACKET socket>
// On that socket, the request channel, the broker first sends one RawsockOpened; when its
// code is Ok the frame channel is attached (SCM_RIGHTS), and from then on every J5 frame
// that comes in for this station arrives there as one message, an 802.1Q tag the kernel
// took off put back. Each RawsockRequest on the request channel gets one RawsockAnswer with
// its sequence number. The broker ends when the program closes either channel. While it
// serves, the broker holds the adapter's station claim for the calling user.
#include <cstddef>
#include <cstdint>

namespace kez::net::detail {

inline constexpr std::uint32_t kRawsockMagic = 0x4B525333; // "KRS3"
inline constexpr int kRawsockChannelFd = 3;
// What the broker sends: an untagged frame of the largest size Ethernet carries.
inline constexpr std::size_t kBrokerFrameLimit = 1514;
// Group memberships the broker holds at once: room for a whole list to be replaced, the
// new groups joined before the old ones are left.
inline constexpr std::size_t kBrokerGroupLimit = 64;

struct RawsockOpened {
    std::uint32_t magic = kRawsockMagic;
    std::int32_t code = 0;  // a kez::net::PortCode
    std::int32_t error = 0; // errno behind it
    std::int32_t ifindex = 0;
    std::uint8_t mac[6] = {};
    std::uint8_t reserved[2] = {};
    std::uint32_t holder = 0; // AdapterInUse: the user id that holds the station
};

enum class RawsockVerb : std::uint16_t { Send = 1, Join = 2, Leave = 3 };

struct RawsockRequest {
    std::uint32_t sequence = 0;
    std::uint16_t verb = 0;       // a RawsockVerb
    std::uint16_t membership = 0; // Join, Leave: PACKET_MR_MULTICAST (of `group`) or PACKET_MR_ALLMULTI
    std::int32_t ifindex = 0;     // Send: the adapter the frame is for
    std::uint8_t group[6] = {};
    std::uint8_t reserved[2] = {};
    // Send: the frame follows in the same message.
};

struct RawsockAnswer {
    std::uint32_t sequence = 0;
    std::int32_t code = 0; // a kez::net::PortCode
    std::int32_t error = 0;
};

} // namespace kez::net::detail
