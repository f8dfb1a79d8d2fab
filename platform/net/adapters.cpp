#include "kez/net/adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "kez/sys/fd.h"

namespace kez::net {
namespace {

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};
using IfaddrsList = std::unique_ptr<ifaddrs, IfaddrsDeleter>;

std::uint32_t hostOrder(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) return 0;
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

ifreq requestFor(const std::string& name) {
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    return request;
}

std::string driverName(int probe, const std::string& name) {
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    ifreq request = requestFor(name);
    request.ifr_data = reinterpret_cast<char*>(&info);
    if (::ioctl(probe, SIOCETHTOOL, &request) != 0) return {};
    return std::string(info.driver, ::strnlen(info.driver, sizeof info.driver));
}

// False when the adapter vanished between the listing and the query.
bool describeAdapter(int probe, AdapterInfo& adapter) {
    ifreq request = requestFor(adapter.name);
    if (::ioctl(probe, SIOCGIFINDEX, &request) != 0) return false;
    adapter.index = static_cast<unsigned>(request.ifr_ifindex);
    request = requestFor(adapter.name);
    if (::ioctl(probe, SIOCGIFFLAGS, &request) != 0) return false;
    const auto flags = static_cast<unsigned short>(request.ifr_flags);
    adapter.up = (flags & IFF_UP) != 0;
    adapter.running = (flags & IFF_RUNNING) != 0;
    adapter.loopback = (flags & IFF_LOOPBACK) != 0;
    request = requestFor(adapter.name);
    if (::ioctl(probe, SIOCGIFMTU, &request) != 0) return false;
    adapter.mtu = static_cast<unsigned>(request.ifr_mtu);
    request = requestFor(adapter.name);
    if (::ioctl(probe, SIOCGIFHWADDR, &request) != 0) return false;
    adapter.ethernet = request.ifr_hwaddr.sa_family == ARPHRD_ETHER;
    if (adapter.ethernet) {
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(request.ifr_hwaddr.sa_data),
                                                  adapter.mac.size());
        adapter.mac = macAt(bytes, 0);
    }
    adapter.driver = driverName(probe, adapter.name);
    return true;
}

AdapterInfo& entryFor(std::vector<AdapterInfo>& adapters, const char* name) {
    auto found = std::find_if(adapters.begin(), adapters.end(), [name](const auto& a) { return a.name == name; });
    if (found != adapters.end()) return *found;
    adapters.push_back(AdapterInfo{});
    adapters.back().name = name;
    return adapters.back();
}

bool wanted(const AdapterInfo& adapter, const AdapterQuery& query) {
    if (adapter.loopback && !query.includeLoopback) return false;
    return adapter.ethernet || !query.ethernetOnly;
}

} // namespace

PortStatus listAdapters(std::vector<AdapterInfo>& out, AdapterQuery query) {
    ifaddrs* raw = nullptr;
    if (::getifaddrs(&raw) != 0) return portError(PortCode::SystemError, errno);
    const IfaddrsList list(raw);
    const sys::UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!probe) return portError(PortCode::SystemError, errno);

    std::vector<AdapterInfo> adapters;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr) continue;
        AdapterInfo& adapter = entryFor(adapters, entry->ifa_name);
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
            adapter.ipv4.push_back({hostOrder(entry->ifa_addr), hostOrder(entry->ifa_netmask)});
        }
    }
    std::vector<AdapterInfo> result;
    for (AdapterInfo& adapter : adapters) {
        if (describeAdapter(probe.get(), adapter) && wanted(adapter, query)) result.push_back(std::move(adapter));
    }
    std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
    out = std::move(result);
    return {};
}

} // namespace kez::net
