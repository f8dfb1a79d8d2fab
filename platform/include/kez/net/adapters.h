#pragma once
// The adapters of the calling thread's network namespace, from getifaddrs and
// interface ioctls (sysfs would show the namespace the folder was mounted in).
#include <cstdint>
#include <string>
#include <vector>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::net {

struct Ipv4Interface {
    std::uint32_t address = 0; // host byte order
    std::uint32_t netmask = 0;
};

struct AdapterInfo {
    std::string name;
    std::string driver; // as ethtool reports it; empty when the adapter has none (loopback)
    unsigned index = 0;
    MacAddress mac{};
    bool ethernet = false;
    bool loopback = false;
    bool up = false;
    bool running = false;
    unsigned mtu = 0;
    std::vector<Ipv4Interface> ipv4;
};

struct AdapterQuery {
    bool includeLoopback = false;
    bool ethernetOnly = false;
};

// In interface-index order.
PortStatus listAdapters(std::vector<AdapterInfo>& out, AdapterQuery query = {});

} // namespace kez::net
