#pragma once
// Where a virtual-wire hub listens: the socket <name> in the user's private folder,
// $XDG_RUNTIME_DIR/kez-vhub, else /tmp/kez-vhub-<uid>. A folder that is not the user's own
// or that others may enter is refused, so no other user can stand in for a hub or take
// its name.
#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <string_view>

#include "kez/net/port_status.h"
#include "kez/sys/fd.h"

namespace kez::net::detail {

struct HubAddress {
    sys::UniqueFd folder; // the checked folder; the address reaches the socket through it
    sockaddr_un address{};
    socklen_t length = 0;
    PortStatus status;
};

// Hubs make the folder when it is missing; ports only look.
enum class HubFolder { Existing, Create };
HubAddress hubAddress(std::string_view name, HubFolder use);

// The hub's first message on a new connection, sent once the port is attached.
inline constexpr unsigned char kHubAttached = 'a';
// A relayed frame never exceeds this; a larger message ends the sender's attachment.
inline constexpr std::size_t kHubMessageLimit = 2048;

} // namespace kez::net::detail
