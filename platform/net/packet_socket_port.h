#pragma once
// The AF_PACKET backend of PacketPort: its own packet socket when the process may open
// one, else the broker kez-rawsock's frame channel and requests.
#include <memory>
#include <mutex>
#include <vector>

#include "rawsock_client.h"
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
    void releaseBackend() override;
    PortStatus openThroughBroker(std::string_view adapter);
    PortStatus changeMembership(int action, unsigned short type, const MacAddress* address);
    PortStatus applyModeBits(std::uint32_t previous, std::uint32_t bits);

    int ifindex_ = 0;
    std::unique_ptr<RawsockClient> broker_; // set while the broker holds the packet socket
    sys::UniqueFd claim_;                   // the station claim of the packet socket held here
    std::mutex settingsMutex_;              // filter bits and memberships change one caller at a time
    std::vector<MacAddress> memberships_;
};

} // namespace kez::net::detail
