#include "reliable/error_record.h"

#include "wire/byte_order.h"
#include "wire/layout.h"

#include <cstring>

namespace ralnet::reliable {

bool prepareReceivedRecord(J5PacketObj& he, const J5PacketObj& head, const std::uint8_t* peerMac) {
    if (!he.dataRef || he.dataRef + kErrorRecordPayload > he.buffer + he.bufferClass) return false;
    std::memcpy(he.destMac, peerMac, J5_MAC_LEN);
    if (he.udpSourceRef) {
        std::memcpy(he.destIp, he.udpSourceRef->address, sizeof he.destIp);
    } else {
        std::memset(he.destIp, 0, sizeof he.destIp);
    }
    he.sendBitMap = head.sendBitMap;
    he.typeOfService = head.typeOfService;
    he.sendTagControlWord = head.sendTagControlWord;
    he.sendHeaderRef = he.headerRef;
    return true;
}

bool buildGiveUpRecord(J5PacketObj& record, const std::uint8_t* peerMac, std::uint16_t sequence,
                       std::uint16_t peerIndex, std::uint16_t ownIndex, const Route& route) {
    wire::HeaderFields header;
    header.type = J5_TYPE_HE;
    std::memcpy(header.senderMac, peerMac, J5_MAC_LEN);
    header.sequence = sequence;
    header.destVdn = 1;
    header.srcVdn = 1;
    header.receiverIndex = peerIndex;
    header.senderIndex = ownIndex;
    const std::uint8_t payload[kErrorRecordPayload] = {};
    if (!buildFullPacket(record, header, route, payload, kErrorRecordPayload)) return false;
    std::memcpy(record.destMac, peerMac, J5_MAC_LEN);
    record.headerRef = record.sendHeaderRef;
    record.dataRef = record.headerRef + J5_FULL_HEADER_LEN;
    record.length = kErrorRecordPayload;
    return true;
}

void setRecordWords(J5PacketObj& record, std::uint16_t cause, std::uint16_t held) {
    wire::storeBe16(record.dataRef, cause);
    wire::storeBe16(record.dataRef + 2, held);
    record.length = kErrorRecordPayload;
}

std::optional<ErrorRecord> readErrorRecord(const J5PacketObj& packet) {
    if (!packet.headerRef || !packet.dataRef || packet.length < kErrorRecordPayload) return std::nullopt;
    if (wire::loadBe16(packet.headerRef + wire::kOffType) != J5_TYPE_HE) return std::nullopt;
    ErrorRecord record;
    record.cause = wire::loadBe16(packet.dataRef);
    record.held = wire::loadBe16(packet.dataRef + 2);
    record.route = routeOf(packet);
    return record;
}

} // namespace ralnet::reliable
