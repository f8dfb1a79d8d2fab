#include "iface/unreliable_send.h"

#include "iface/interface.h"
#include "iface/link_output.h"
#include "wire/byte_order.h"
#include "wire/packet_builder.h"

#include <cstring>

namespace ralnet::iface {
namespace {

// Sent when a caller gives a length without a payload, so no stale buffer bytes leave.
constexpr std::uint8_t kZeroPayload[static_cast<std::size_t>(BufferClass::Large)] = {};

bool isNoAddress(const std::uint8_t* ip) { return !ip || std::memcmp(ip, unZeroIPAddress, 4) == 0; }

J5Result resultOf(wire::BuildError error) {
    return error == wire::BuildError::NoRoom ? J5_ERR_NO_BUFFER : J5_ERR_BAD_ARGUMENT;
}

wire::PacketRequest requestFor(J5Interface& iface, const UnreliableSend& send) {
    wire::PacketRequest request;
    request.header.type = send.type;
    iface.ownMac(request.header.senderMac);
    if (send.type == J5_TYPE_HU) request.header.sequence = ++iface.huCounter;
    request.header.destVdn = send.destVdn;
    request.header.srcVdn = send.srcVdn;
    request.header.olderHuWords[0] = send.olderHuWords[0];
    request.header.olderHuWords[1] = send.olderHuWords[1];
    request.bitmap = send.bitmap;
    std::memcpy(request.destMac, send.destMac, J5_MAC_LEN);
    request.callerTci = send.tci;
    request.payload = send.payload ? send.payload : kZeroPayload;
    request.payloadLength = send.length;
    return request;
}

void countSent(J5Interface& iface, std::uint16_t type) {
    switch (type) {
    case J5_TYPE_HU: ++iface.counters.sentHu; break;
    case J5_TYPE_HA: ++iface.counters.sentHa; break;
    default: ++iface.counters.sentDl; break;
    }
}

} // namespace

J5Result sendUnreliable(J5Interface& iface, const UnreliableSend& send) {
    if (!send.destMac) return J5_ERR_BAD_ARGUMENT;
    if (send.bitmap & J5_HBM_IP) {
        if (isNoAddress(send.destIp)) return J5_ERR_NO_DEST_IP;
        if (!iface.udp->canSend()) return J5_ERR_NO_UDP_SOCKET;
    }
    J5PacketObj* packet = iface.pools->take(wire::headerRoom(send.bitmap) + std::size_t{send.length}, false);
    if (!packet) {
        ++iface.counters.noBuffer;
        return J5_ERR_NO_BUFFER;
    }
    if (const auto error = wire::buildPacket(*packet, requestFor(iface, send)); error != wire::BuildError::None) {
        PacketPools::giveBackToOwner(packet);
        return resultOf(error);
    }
    packet->freeAfterSend = 1;
    packet->typeOfService = wire::wireOrderWord(send.ipTos);
    packet->callerTag = send.callerTag;
    if (send.destIp) std::memcpy(packet->destIp, send.destIp, sizeof packet->destIp);
    countSent(iface, send.type);
    sendToLink(iface, *packet);
    return J5_SENT;
}

} // namespace ralnet::iface
