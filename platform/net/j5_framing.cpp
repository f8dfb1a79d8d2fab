// The J5 framing check, shared with the broker kez-rawsock, which sends nothing else.
#include "kez/net/receive_filter.h"

namespace kez::net {
namespace {

constexpr std::uint16_t kJ5Type = 0x88B5;
constexpr std::uint16_t kVlanType = 0x8100;
// 802.3 lengths end at 1500; 0x0600 up are EtherTypes, and what lies between is neither.
constexpr std::uint16_t kMaxLength = 0x05DC;

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
    if (type > kMaxLength) return false;
    return isJ5Snap(frame.subspan(typeAt + 2));
}

} // namespace kez::net
