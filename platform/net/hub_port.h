#pragma once
// A port on a virtual wire relayed across processes by a VirtualWireHub. Each port
// holds one SOCK_SEQPACKET connection to the hub; one message is one frame.
#include "socket_port.h"

namespace kez::net::detail {

class HubPort final : public SocketPort {
public:
    PortStatus open(std::string_view adapter) override;
    PortStatus writeFrame(std::span<const std::uint8_t> frame) override;
    PortStatus setPacketFilter(std::uint32_t bits) override;
    PortStatus setMulticastList(std::span<const MacAddress> list) override;

private:
    Received receiveOne(std::span<std::uint8_t> buffer, std::size_t& length, int& error) override;
    PortStatus connectToHub(std::string_view wire);
};

} // namespace kez::net::detail
