#include "kez/net/receive_filter.h"

#include <algorithm>

#include "kez/net/packet_port.h"

namespace kez::net {
namespace {

constexpr std::uint16_t kJ5Type = 0x88B5;
constexpr std::uint16_t kVlanType = 0x8100;
constexpr std::uint16_t kFirstEtherType = 0x0800; // smaller values are 802.3 lengths

std::uint16_t be16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

bool isJ5Snap(std::span<const std::uint8_t> llc) {
    if (llc.size() < 8 || llc[0] != 0xAA || llc[1] != 0xAA || llc[2] != 0x03) return false;
    const std::uint16_t protocol = be16(llc, 6);
    if (llc[3] == 0x00 && llc[4] == 0x00 && llc[5] == 0x00) return protocol == kJ5Type;
    if (llc[3] == 0x02 && llc[4] == 0x5A && llc[5] == 0x4E) return protocol == 0x444C || protocol == 0x4855;
    return false;
}

} // namespace

bool isJ5Frame(std::span<const std::uint8_t> frame) {
    std::size_t typeAt = 12;
    if (frame.size() < typeAt + 2) return false;
    if (be16(frame, typeAt) == kVlanType) typeAt += 4;
    if (frame.size() < typeAt + 2) return false;
    const std::uint16_t type = be16(frame, typeAt);
    if (type == kJ5Type) return true;
    if (type >= kFirstEtherType) return false;
    return isJ5Snap(frame.subspan(typeAt + 2));
}

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
