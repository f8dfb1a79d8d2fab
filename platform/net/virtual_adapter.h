#pragma once
// Names and station addresses of virtual-wire ports: "<wire>[@<mac>]".
#include <optional>
#include <string>
#include <string_view>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::net::detail {

inline constexpr std::string_view kLocalWirePrefix = "vwire:";
inline constexpr std::string_view kHubWirePrefix = "vhub:";
inline constexpr std::size_t kMaxWireNameLength = 64;

struct VirtualAdapter {
    std::string wire;
    MacAddress mac{};
};

// `text` is the part after the prefix. Without "@<mac>" the port gets a locally
// administered unicast address unique to this process and port.
PortStatus parseVirtualAdapter(std::string_view text, VirtualAdapter& out);
PortStatus checkWireName(std::string_view wire);

} // namespace kez::net::detail
