#include "wire/layout.h"

namespace ralnet::wire {

std::size_t headerLength(HeaderKind kind) {
    switch (kind) {
    case HeaderKind::Full: return J5_FULL_HEADER_LEN;
    case HeaderKind::Short: return J5_SHORT_HEADER_LEN;
    case HeaderKind::OlderHu: return J5_OLDER_HU_HEADER_LEN;
    case HeaderKind::TypeOnly: return J5_TYPE_ONLY_HEADER_LEN;
    }
    return J5_FULL_HEADER_LEN;
}

bool headerKindForSend(std::uint16_t type, J5HeaderBitMap bitmap, HeaderKind& kind) {
    switch (type) {
    case J5_TYPE_HR:
    case J5_TYPE_HH:
    case J5_TYPE_HI:
    case J5_TYPE_HY:
    case J5_TYPE_HE: kind = HeaderKind::Full; return true;
    case J5_TYPE_HU: kind = (bitmap & J5_HBM_OLDER_HU) ? HeaderKind::OlderHu : HeaderKind::Full; return true;
    case J5_TYPE_HA: kind = HeaderKind::Short; return true;
    case J5_TYPE_DL: kind = (bitmap & J5_HBM_MAKER_SNAP) ? HeaderKind::TypeOnly : HeaderKind::Short; return true;
    default: return false;
    }
}

std::uint16_t tagControlFor(std::uint16_t type, std::uint16_t callerTci) {
    const auto vlanId = static_cast<std::uint16_t>(callerTci & 0x0FFF);
    switch (type) {
    case J5_TYPE_HR:
    case J5_TYPE_HH:
    case J5_TYPE_HY: return static_cast<std::uint16_t>(0xC000 | vlanId);
    case J5_TYPE_HI:
    case J5_TYPE_HE: return static_cast<std::uint16_t>(0xA000 | vlanId);
    case J5_TYPE_HU: return static_cast<std::uint16_t>(0x6000 | vlanId);
    case J5_TYPE_HA: return callerTci;
    default: return 0; // "DL" and anything else carry an all-zero word
    }
}

std::uint16_t headerRoom(J5HeaderBitMap b) {
    switch (b) {
    case 0x0009: return 22;
    case 0x000B: return 26;
    case 0x0011: return 32;
    case 0x0069: return 50;
    case 0x0071: return 60;
    default: break;
    }
    if (!(b & J5_HBM_ETHERNET)) return 64;
    std::uint16_t room = 14;
    if (b & J5_HBM_8021Q) room += 4;
    if (b & J5_HBM_SNAP) room += 8;
    if (b & J5_HBM_SHORT_HEADER) room += 8;
    if (b & J5_HBM_FULL_HEADER) room += 18;
    if (b & J5_HBM_IP) room += 20;
    if (b & J5_HBM_UDP) room += 8;
    if (b & J5_HBM_MAKER_SNAP) room += 8;
    if (b & J5_HBM_OLDER_HU) room += 10;
    return room;
}

Framing framingFor(J5HeaderBitMap b) {
    if (b == 0x0009 || b == 0x0011) return Framing::Plain;
    if ((b & J5_HBM_IP) && (b & J5_HBM_UDP)) return Framing::Udp;
    const bool vlan = b & J5_HBM_8021Q;
    if (b & J5_HBM_MAKER_SNAP) return vlan ? Framing::MakerSnapInVlan : Framing::MakerSnap;
    if (b & J5_HBM_SNAP) return vlan ? Framing::SnapInVlan : Framing::Snap;
    if (vlan) return Framing::Vlan;
    return Framing::Plain;
}

} // namespace ralnet::wire
