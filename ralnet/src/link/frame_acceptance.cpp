#include "link/frame_acceptance.h"

#include "wire/byte_order.h"
#include "wire/demux.h"

#include "kez/net/receive_filter.h"

#include <cstring>

namespace ralnet::link {

bool frameAccepted(std::span<const std::uint8_t> frame, const std::uint8_t (&ownMac)[J5_MAC_LEN]) {
    if (frame.size() < J5_MIN_FRAME_LEN || frame.size() > kMaxAcceptedFrame) return false;
    if (!kez::net::isJ5Frame(frame)) return false;
    const std::uint8_t* destination = frame.data();
    const std::uint8_t* source = frame.data() + J5_MAC_LEN;
    if (std::memcmp(destination, ownMac, J5_MAC_LEN) == 0) return true;
    return (destination[0] & 0x01) && std::memcmp(source, ownMac, J5_MAC_LEN) != 0;
}

bool isControlFrame(std::span<const std::uint8_t> frame) {
    wire::LinkInput input;
    if (wire::demultiplex(frame.data(), frame.size(), input) != wire::DemuxVerdict::J5) return false;
    if (input.j5Length < 2) return false;
    const std::uint16_t type = wire::loadBe16(frame.data() + input.j5Offset);
    return type == J5_TYPE_HE || type == J5_TYPE_HH || type == J5_TYPE_HI || type == J5_TYPE_HY;
}

} // namespace ralnet::link
