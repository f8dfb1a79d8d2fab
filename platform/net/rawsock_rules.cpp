#include "rawsock_rules.h"

#include <linux/if_packet.h>

#include <algorithm>
#include <cerrno>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "rawsock_protocol.h"

namespace kez::net::detail {
namespace {

constexpr std::size_t kSourceAt = 6;

PortStatus refused() { return portError(PortCode::PermissionDenied, EPERM); }

} // namespace

PortStatus checkOutgoingFrame(const BoundAdapter& adapter, int ifindex, std::span<const std::uint8_t> frame) {
    if (ifindex != adapter.ifindex) return refused();
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument, EINVAL);
    if (frame.size() > kBrokerFrameLimit) return portError(PortCode::FrameTooLong, EMSGSIZE);
    if (!isJ5Frame(frame)) return refused();
    if (!std::equal(adapter.mac.begin(), adapter.mac.end(), frame.begin() + kSourceAt)) return refused();
    return {};
}

PortStatus checkMembership(std::uint16_t membership, const MacAddress& group) {
    if (membership == PACKET_MR_ALLMULTI) return {};
    if (membership != PACKET_MR_MULTICAST) return refused();
    if (!isGroupAddress(group)) return portError(PortCode::InvalidArgument, EINVAL);
    return {};
}

} // namespace kez::net::detail
