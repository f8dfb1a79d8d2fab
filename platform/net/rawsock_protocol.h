#pragma once
// What kez-rawsock answers over the Unix socket it is given: one reply, with the
// packet socket attached (SCM_RIGHTS) when the code is Ok.
// Invocation: kez-rawsock <adapter> <descriptor number of a connected AF_UNIX socket>
#include <cstdint>

namespace kez::net::detail {

inline constexpr std::uint32_t kRawsockMagic = 0x4B525331; // "KRS1"
inline constexpr int kRawsockChannelFd = 3;

struct RawsockReply {
    std::uint32_t magic = kRawsockMagic;
    std::int32_t code = 0;  // a kez::net::PortCode
    std::int32_t error = 0; // errno behind it
};

} // namespace kez::net::detail
