#include "kez/net/packet_port.h"

#include "hub_port.h"
#include "impaired_port.h"
#include "local_wire_port.h"
#include "packet_socket_port.h"
#include "virtual_adapter.h"

namespace kez::net {

std::unique_ptr<PacketPort> makePacketPort(std::string_view adapter) {
    // Virtual wires take fault and capture options, which the middleware strips.
    if (adapter.starts_with(detail::kLocalWirePrefix)) {
        return std::make_unique<detail::ImpairedPort>(std::make_unique<detail::LocalWirePort>());
    }
    if (adapter.starts_with(detail::kHubWirePrefix)) {
        return std::make_unique<detail::ImpairedPort>(std::make_unique<detail::HubPort>());
    }
    return std::make_unique<detail::PacketSocketPort>();
}

OpenedPort openPacketPort(std::string_view adapter) {
    OpenedPort opened{makePacketPort(adapter), {}};
    opened.status = opened.port->open(adapter);
    if (!opened.status.ok()) opened.port.reset();
    return opened;
}

} // namespace kez::net
