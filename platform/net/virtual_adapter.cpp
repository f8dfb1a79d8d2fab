#include "virtual_adapter.h"

#include <unistd.h>

#include <atomic>

namespace kez::net::detail {
namespace {

MacAddress nextGeneratedMac() {
    static std::atomic<std::uint32_t> counter{0};
    const std::uint32_t serial = counter.fetch_add(1) & 0x3ff;
    const std::uint32_t value = static_cast<std::uint32_t>(::getpid()) << 10 | serial;
    return {0x02,
            0x4b,
            static_cast<std::uint8_t>(value >> 24),
            static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

} // namespace

PortStatus checkWireName(std::string_view wire) {
    if (wire.empty() || wire.size() > kMaxWireNameLength) return portError(PortCode::InvalidName);
    for (const char c : wire) {
        const bool printable = c > ' ' && c < 0x7f;
        if (!printable || c == '/' || c == '@' || c == '?') return portError(PortCode::InvalidName);
    }
    return {};
}

PortStatus parseVirtualAdapter(std::string_view text, VirtualAdapter& out) {
    const auto at = text.find('@');
    const std::string_view wire = text.substr(0, at);
    if (PortStatus status = checkWireName(wire); !status.ok()) return status;
    MacAddress mac{};
    if (at == std::string_view::npos) {
        mac = nextGeneratedMac();
    } else {
        const auto parsed = parseMac(text.substr(at + 1));
        if (!parsed || isGroupAddress(*parsed)) return portError(PortCode::InvalidName);
        mac = *parsed;
    }
    out = VirtualAdapter{std::string(wire), mac};
    return {};
}

} // namespace kez::net::detail
