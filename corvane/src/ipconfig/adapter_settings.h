#pragma once
// The PC's adapters as the kernel has them, in this thread's network namespace: the address
// table (getifaddrs) and the route table (the route table in /proc).
#include <optional>
#include <string>
#include <string_view>

#include "connect_probe.h"

namespace kez::corvane {

struct AdapterSettings {
    std::optional<Ipv4> mask, gateway; // none when not found
};

// The mask and default gateway of the adapter that holds a local address.
AdapterSettings adapterSettingsOf(const Ipv4& local);

// The first IPv4 address of the first adapter (lowest interface index) other than a loopback
// one; none with `error` set to the errno of the failure, or ENOENT when there is no such adapter.
std::optional<Ipv4> firstAdapterAddress(int& error);

// The gateway of the default route through `adapter` in the text of /proc/net/route; none
// when there is none, or a row cannot be read.
std::optional<Ipv4> defaultGatewayIn(std::string_view routeTable, std::string_view adapter);

} // namespace kez::corvane
