#include "adapter_settings.h"

#include <ifaddrs.h>
#include <net/route.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace kez::corvane {
namespace {

Ipv4 bytesOf(const sockaddr* address) {
    Ipv4 bytes{};
    std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr, bytes.size());
    return bytes;
}

std::optional<std::uint32_t> hexField(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

// Rows: Iface Destination Gateway Flags ...; addresses in hexadecimal, in the kernel's
// (network) byte order as the host reads it.
std::optional<Ipv4> defaultGatewayIn(std::string_view routeTable, std::string_view adapter) {
    std::istringstream rows{std::string(routeTable)};
    std::string row;
    std::getline(rows, row); // the heading
    while (std::getline(rows, row)) {
        std::istringstream fields(row);
        std::string iface, destination, gateway, flags;
        if (!(fields >> iface >> destination >> gateway >> flags) || iface != adapter) continue;
        const auto dst = hexField(destination), via = hexField(gateway), bits = hexField(flags);
        if (!dst || !via || !bits || *dst != 0 || !(*bits & RTF_GATEWAY) || !(*bits & RTF_UP)) continue;
        Ipv4 bytes{};
        std::memcpy(bytes.data(), &*via, bytes.size());
        return bytes;
    }
    return std::nullopt;
}

AdapterSettings adapterSettingsOf(const Ipv4& local) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owned(list, &::freeifaddrs);
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || bytesOf(entry->ifa_addr) != local) continue;
        AdapterSettings settings;
        if (entry->ifa_netmask) settings.mask = bytesOf(entry->ifa_netmask);
        // This thread's network namespace, which may not be the process's.
        std::ifstream routes("/proc/thread-self/net/route");
        const std::string table{std::istreambuf_iterator<char>(routes), {}};
        settings.gateway = defaultGatewayIn(table, entry->ifa_name);
        return settings;
    }
    return {};
}

} // namespace kez::corvane
