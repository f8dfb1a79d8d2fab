#include "adapter_settings.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <tuple>

namespace kez::corvane {
namespace {

using AddressList = std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)>;

// Empty, with errno set, when the kernel cannot be asked.
AddressList interfaceAddresses() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) list = nullptr;
    return {list, &::freeifaddrs};
}

bool holdsIpv4(const ifaddrs& entry) { return entry.ifa_addr && entry.ifa_addr->sa_family == AF_INET; }

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
    const AddressList list = interfaceAddresses();
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!holdsIpv4(*entry) || bytesOf(entry->ifa_addr) != local) continue;
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

std::optional<Ipv4> firstAdapterAddress(int& error) {
    const AddressList list = interfaceAddresses();
    if (!list) {
        error = errno;
        return std::nullopt;
    }
    std::optional<Ipv4> first;
    unsigned firstIndex = 0;
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!holdsIpv4(*entry) || (entry->ifa_flags & IFF_LOOPBACK)) continue;
        const unsigned index = ::if_nametoindex(entry->ifa_name);
        if (!first || index < firstIndex) std::tie(first, firstIndex) = std::pair(bytesOf(entry->ifa_addr), index);
    }
    if (!first) error = ENOENT;
    return first;
}

} // namespace kez::corvane
