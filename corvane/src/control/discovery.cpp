// Call-server discovery: each call server heard, by the sender MAC of its system-state
// messages, is reported once, with its IP when it came over UDP.
#include <algorithm>

#include "control_handlers.h"
#include "kez/com/array_routines.h"

namespace kez::corvane {

bool ControlHandlers::discover(const com::Variant& sourceMac, const com::Variant& sourceIp, bool overUdp) {
    if (!discovering_) return false;
    std::vector<std::uint8_t> mac;
    if (com::FAILED(com::GetSafeArrayEx(sourceMac, mac))) return true;
    if (discovered_.size() >= kMostDiscovered || std::ranges::find(discovered_, mac) != discovered_.end()) return true;
    discovered_.push_back(mac);
    DiscoveredServer server{std::move(mac), std::nullopt};
    std::vector<std::uint8_t> ip;
    if (overUdp && com::SUCCEEDED(com::GetSafeArrayEx(sourceIp, ip))) server.ip = std::move(ip);
    services_.post({kMsgXavDiscovered, 0, 0, apt::Payload::of(std::move(server))});
    return true;
}

} // namespace kez::corvane
