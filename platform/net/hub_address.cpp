#include "hub_address.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace kez::net::detail {

HubAddress hubAddress(std::string_view name) {
    HubAddress hub;
    hub.address.sun_family = AF_UNIX;
    const std::string path = std::string("kez-vhub:").append(name);
    // Abstract address: a leading zero byte, no terminator.
    const std::size_t length = std::min(path.size(), sizeof hub.address.sun_path - 1);
    std::copy_n(path.begin(), length, hub.address.sun_path + 1);
    hub.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return hub;
}

} // namespace kez::net::detail
