#pragma once
// The multicast groups and all-multicast the broker holds on the packet socket for its
// program: at most kBrokerGroupLimit groups, never promiscuous mode.
#include <cstdint>
#include <vector>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::rawsock {

class Memberships {
public:
    Memberships(int packetSocket, int ifindex) : socket_(packetSocket), ifindex_(ifindex) {}

    // `membership` a PACKET_MR_* kind; `group` counts for PACKET_MR_MULTICAST only.
    // Joining what is held, or leaving what is not, changes nothing.
    net::PortStatus join(std::uint16_t membership, const net::MacAddress& group);
    net::PortStatus leave(std::uint16_t membership, const net::MacAddress& group);

private:
    net::PortStatus change(int action, std::uint16_t membership, const net::MacAddress& group);

    int socket_;
    int ifindex_;
    std::vector<net::MacAddress> groups_;
    bool allMulticast_ = false;
};

} // namespace kez::rawsock
