#include "reliable/packet_ops.h"

#include "pool/packet_pools.h"
#include "wire/byte_order.h"
#include "wire/layout.h"
#include "wire/packet_builder.h"

#include <cstring>

namespace ralnet::reliable {

std::uint16_t receivedWord(const J5PacketObj& packet, std::size_t offset) {
    return wire::loadBe16(packet.headerRef + offset);
}

std::uint16_t builtWord(const J5PacketObj& packet, std::size_t offset) {
    return wire::loadBe16(packet.sendHeaderRef + offset);
}

void patchBuiltWord(J5PacketObj& packet, std::size_t offset, std::uint16_t value) {
    wire::storeBe16(packet.sendHeaderRef + offset, value);
}

wire::HeaderFields receivedHeader(const J5PacketObj& packet) {
    wire::HeaderFields f;
    f.type = receivedWord(packet, wire::kOffType);
    std::memcpy(f.senderMac, packet.headerRef + wire::kOffSenderMac, J5_MAC_LEN);
    f.sequence = receivedWord(packet, wire::kOffSequence);
    f.destVdn = receivedWord(packet, wire::kOffDestVdn);
    f.srcVdn = receivedWord(packet, wire::kOffSrcVdn);
    f.receiverIndex = receivedWord(packet, wire::kOffReceiverIndex);
    f.senderIndex = receivedWord(packet, wire::kOffSenderIndex);
    return f;
}

Route replyRouteOf(const J5PacketObj& received) {
    Route route;
    route.bitmap = received.pathFlags;
    std::memcpy(route.destMac, received.headerRef + wire::kOffSenderMac, J5_MAC_LEN);
    if (received.udpSourceRef) {
        std::memcpy(route.destIp, received.udpSourceRef->address, sizeof route.destIp);
        route.typeOfService = kReplyTypeOfService;
    }
    route.vlanId = static_cast<std::uint16_t>(
        wire::loadBe16(reinterpret_cast<const std::uint8_t*>(&received.tagControlWord)) & 0x0FFF);
    return route;
}

Route routeOf(const J5PacketObj& built) {
    Route route;
    route.bitmap = built.sendBitMap;
    std::memcpy(route.destMac, built.destMac, J5_MAC_LEN);
    std::memcpy(route.destIp, built.destIp, sizeof route.destIp);
    route.typeOfService = built.typeOfService;
    route.vlanId = static_cast<std::uint16_t>(
        wire::loadBe16(reinterpret_cast<const std::uint8_t*>(&built.sendTagControlWord)) & 0x0FFF);
    return route;
}

bool buildFullPacket(J5PacketObj& packet, const wire::HeaderFields& header, const Route& route,
                     const std::uint8_t* payload, std::uint16_t payloadLength) {
    packet.headerRef = nullptr;
    packet.linkDestinationRef = nullptr;
    packet.udpSourceRef = nullptr;
    packet.pathFlags = 0;
    packet.tagControlWord = 0;
    wire::PacketRequest request;
    request.header = header;
    request.bitmap = route.bitmap;
    std::memcpy(request.destMac, route.destMac, J5_MAC_LEN);
    request.callerTci = route.vlanId;
    request.payload = payload;
    request.payloadLength = payloadLength;
    if (wire::buildPacket(packet, request) != wire::BuildError::None) return false;
    std::memcpy(packet.destIp, route.destIp, sizeof packet.destIp);
    packet.typeOfService = route.typeOfService;
    return true;
}

std::size_t requestSize(J5HeaderBitMap bitmap, std::uint16_t payloadLength) {
    return static_cast<std::size_t>(wire::headerRoom(bitmap)) + payloadLength;
}

bool isLargeBuffer(const J5PacketObj& packet) {
    return packet.bufferClass == static_cast<std::uint16_t>(BufferClass::Large);
}

} // namespace ralnet::reliable
