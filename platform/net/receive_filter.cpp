#include "kez/net/receive_filter.h"

#include <algorithm>

#include "kez/net/packet_port.h"

namespace kez::net {

PortStatus checkPacketFilterBits(std::uint32_t bits) {
    if ((bits & ~PacketFilter::Supported) != 0) return portError(PortCode::Unsupported);
    return {};
}

PortStatus normaliseMulticastList(std::span<const MacAddress> list, std::vector<MacAddress>& out) {
    std::vector<MacAddress> unique;
    for (const MacAddress& mac : list) {
        if (!isGroupAddress(mac)) return portError(PortCode::InvalidArgument);
        if (std::find(unique.begin(), unique.end(), mac) == unique.end()) unique.push_back(mac);
    }
    if (unique.size() > kMaxMulticastAddresses) return portError(PortCode::InvalidArgument);
    out = std::move(unique);
    return {};
}

void ReceiveFilter::setOwnMac(const MacAddress& mac) {
    std::lock_guard lock(mutex_);
    ownMac_ = mac;
}

void ReceiveFilter::setBits(std::uint32_t bits) {
    std::lock_guard lock(mutex_);
    bits_ = bits;
}

void ReceiveFilter::setMulticastList(std::vector<MacAddress> list) {
    std::lock_guard lock(mutex_);
    multicast_ = std::move(list);
}

std::uint32_t ReceiveFilter::bits() const {
    std::lock_guard lock(mutex_);
    return bits_;
}

bool ReceiveFilter::accepts(std::span<const std::uint8_t> frame) const {
    if (!isJ5Frame(frame)) return false;
    std::lock_guard lock(mutex_);
    return destinationAccepted(macAt(frame, 0));
}

bool ReceiveFilter::destinationAccepted(const MacAddress& destination) const {
    if ((bits_ & PacketFilter::Promiscuous) != 0) return true;
    if (destination == kBroadcastMac) return (bits_ & PacketFilter::Broadcast) != 0;
    if (!isGroupAddress(destination)) return destination == ownMac_ && (bits_ & PacketFilter::Directed) != 0;
    if ((bits_ & PacketFilter::AllMulticast) != 0) return true;
    return (bits_ & PacketFilter::Multicast) != 0 &&
           std::find(multicast_.begin(), multicast_.end(), destination) != multicast_.end();
}

} // namespace kez::net
