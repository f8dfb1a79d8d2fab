#pragma once
// The AF_PACKET backend of PacketPort.
#include <mutex>
#include <vector>

#include "socket_port.h"

namespace kez::net::detail {

class PacketSocketPort final : public SocketPort {
public:
    PortStatus open(std::string_view adapter) override;
    PortStatus writeFrame(std::span<const std::uint8_t> frame) override;
    PortStatus setPacketFilter(std::uint32_t bits) override;
    PortStatus setMulticastList(std::span<const MacAddress> list) override;

private:
    Received receiveOne(std::span<std::uint8_t> buffer, std::size_t& length, int& error) override;
    PortStatus configure();
    PortStatus changeMembership(int action, unsigned short type, const MacAddress* address);
    PortStatus applyModeBits(std::uint32_t previous, std::uint32_t bits);

    int ifindex_ = 0;
    std::mutex settingsMutex_; // filter bits and memberships change one caller at a time
    std::vector<MacAddress> memberships_;
};

} // namespace kez::net::detail
