#pragma once
// Where a virtual-wire hub listens: the abstract Unix address "kez-vhub:<name>".
#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <string_view>

namespace kez::net::detail {

struct HubAddress {
    sockaddr_un address{};
    socklen_t length = 0;
};

HubAddress hubAddress(std::string_view name);

// The hub's first message on a new connection, sent once the port is attached.
inline constexpr unsigned char kHubAttached = 'a';
// A relayed frame never exceeds this; a larger message ends the sender's attachment.
inline constexpr std::size_t kHubMessageLimit = 2048;

} // namespace kez::net::detail
