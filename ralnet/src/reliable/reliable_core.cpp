#include "reliable/reliable_core.h"

#include "wire/byte_order.h"

namespace ralnet::reliable {
namespace {

constexpr std::uint16_t kPinSend = 0x0001;
constexpr std::uint16_t kPinReceive = 0x0002;

} // namespace

J5Result ReliableCore::setChannelParameters(const std::uint8_t* mac, const J5ChannelParameters& parameters) {
    if ((parameters.flags & kPinSend) && !sender_.setPinned(mac, parameters.pinned)) return J5_NO_SEND_CONNECTION;
    if ((parameters.flags & kPinReceive) && !receiver_.setPinned(mac, parameters.pinned, parameters.linkFlags)) {
        return J5_NO_RECEIVE_CONNECTION;
    }
    return J5_OK;
}

std::uint16_t ReliableCore::receivedType(const J5PacketObj& packet) { return wire::loadBe16(packet.headerRef); }

} // namespace ralnet::reliable
