#pragma once
// Getting a packet socket from the helper kez-rawsock, the one program that holds
// CAP_NET_RAW, for a process that may not open raw sockets itself.
#include <filesystem>
#include <optional>
#include <string_view>

#include "packet_socket.h"

namespace kez::net::detail {

// $KEZ_RAWSOCK when set (and then only it), else kez-rawsock beside libkezplat, else
// beside the running program.
std::optional<std::filesystem::path> findRawsockHelper();

PacketSocket openThroughHelper(std::string_view adapter);

} // namespace kez::net::detail
