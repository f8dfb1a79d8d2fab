#include "memberships.h"

#include <linux/if_packet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "rawsock_protocol.h"
#include "rawsock_rules.h"

namespace kez::rawsock {

using net::PortCode;
using net::PortStatus;

PortStatus Memberships::join(std::uint16_t membership, const net::MacAddress& group) {
    if (PortStatus allowed = net::detail::checkMembership(membership, group); !allowed.ok()) return allowed;
    if (membership == PACKET_MR_ALLMULTI) {
        if (allMulticast_) return {};
        PortStatus status = change(PACKET_ADD_MEMBERSHIP, membership, group);
        allMulticast_ = status.ok();
        return status;
    }
    if (std::find(groups_.begin(), groups_.end(), group) != groups_.end()) return {};
    if (groups_.size() >= net::detail::kBrokerGroupLimit) return net::portError(PortCode::InvalidArgument, ENOBUFS);
    PortStatus status = change(PACKET_ADD_MEMBERSHIP, membership, group);
    if (status.ok()) groups_.push_back(group);
    return status;
}

PortStatus Memberships::leave(std::uint16_t membership, const net::MacAddress& group) {
    if (PortStatus allowed = net::detail::checkMembership(membership, group); !allowed.ok()) return allowed;
    if (membership == PACKET_MR_ALLMULTI) {
        if (!allMulticast_) return {};
        PortStatus status = change(PACKET_DROP_MEMBERSHIP, membership, group);
        allMulticast_ = !status.ok();
        return status;
    }
    const auto held = std::find(groups_.begin(), groups_.end(), group);
    if (held == groups_.end()) return {};
    PortStatus status = change(PACKET_DROP_MEMBERSHIP, membership, group);
    if (status.ok()) groups_.erase(held);
    return status;
}

PortStatus Memberships::change(int action, std::uint16_t membership, const net::MacAddress& group) {
    packet_mreq request{};
    request.mr_ifindex = ifindex_;
    request.mr_type = membership;
    if (membership == PACKET_MR_MULTICAST) {
        request.mr_alen = static_cast<unsigned short>(group.size());
        std::copy(group.begin(), group.end(), request.mr_address);
    }
    if (::setsockopt(socket_, SOL_PACKET, action, &request, sizeof request) != 0) {
        return net::portError(PortCode::SystemError, errno);
    }
    return {};
}

} // namespace kez::rawsock
