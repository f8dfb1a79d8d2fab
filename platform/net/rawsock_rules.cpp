#include "rawsock_rules.h"

#include <linux/if_packet.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "rawsock_protocol.h"

namespace kez::net::detail {
namespace {

constexpr std::size_t kSourceAt = 6;
constexpr std::size_t kTypeAt = 12;
constexpr std::uint16_t kVlanType = 0x8100;
constexpr std::uint16_t kVlanIdentifier = 0x0FFF;
constexpr std::uint16_t kPriorityBits = 0xF000; // priority code point and drop-eligible bit
constexpr std::array<std::uint16_t, 4> kComposedPriorities{0xC000, 0xA000, 0x6000, 0x0000};

PortStatus refused() { return portError(PortCode::PermissionDenied, EPERM); }

} // namespace

std::optional<std::uint16_t> outerTag(std::span<const std::uint8_t> frame) {
    if (frame.size() < kTypeAt + 4) return std::nullopt;
    if ((frame[kTypeAt] << 8 | frame[kTypeAt + 1]) != kVlanType) return std::nullopt;
    return static_cast<std::uint16_t>(frame[kTypeAt + 2] << 8 | frame[kTypeAt + 3]);
}

bool tagAllowed(std::uint16_t tag, std::uint16_t learnedTag) {
    const std::uint16_t vlan = tag & kVlanIdentifier;
    const std::uint16_t learnedVlan = learnedTag & kVlanIdentifier;
    if (vlan != 0 && vlan != learnedVlan) return false;
    const std::uint16_t priority = tag & kPriorityBits;
    if (learnedVlan != 0 && priority == (learnedTag & kPriorityBits)) return true;
    return std::find(kComposedPriorities.begin(), kComposedPriorities.end(), priority) != kComposedPriorities.end();
}

void learnTag(std::span<const std::uint8_t> received, std::uint16_t& learnedTag) {
    if (const auto tag = outerTag(received); tag && (*tag & kVlanIdentifier) != 0) learnedTag = *tag;
}

PortStatus checkOutgoingFrame(const BoundAdapter& adapter, int ifindex, std::span<const std::uint8_t> frame) {
    if (ifindex != adapter.ifindex) return refused();
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument, EINVAL);
    if (frame.size() > kBrokerFrameLimit) return portError(PortCode::FrameTooLong, EMSGSIZE);
    if (!isJ5Frame(frame)) return refused();
    if (const auto tag = outerTag(frame); tag && !tagAllowed(*tag, adapter.learnedTag)) return refused();
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
