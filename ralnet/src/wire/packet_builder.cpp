#include "wire/packet_builder.h"

#include "wire/byte_order.h"

#include <cstring>

namespace ralnet::wire {
namespace {

std::uint8_t* bufferEnd(const J5PacketObj& packet) { return packet.buffer + packet.bufferClass; }

void writeType(std::uint8_t* at, std::uint16_t type) { storeBe16(at, type); }

void writeFull(std::uint8_t* h, const HeaderFields& f) {
    writeType(h + kOffType, f.type);
    std::memcpy(h + kOffSenderMac, f.senderMac, J5_MAC_LEN);
    if (f.type == J5_TYPE_HU) {
        storeLe16(h + kOffSequence, f.sequence);
        storeBe16(h + kOffReceiverIndex, 0); // unreliable: no connection
        storeBe16(h + kOffSenderIndex, 0);
    } else {
        storeBe16(h + kOffSequence, f.sequence);
        storeBe16(h + kOffReceiverIndex, f.receiverIndex);
        storeBe16(h + kOffSenderIndex, f.senderIndex);
    }
    storeBe16(h + kOffDestVdn, f.destVdn);
    storeBe16(h + kOffSrcVdn, f.srcVdn);
}

void writeOlderHu(std::uint8_t* h, const HeaderFields& f) {
    writeType(h, J5_TYPE_HU);
    storeLe16(h + 2, f.sequence);
    storeBe16(h + 4, f.olderHuWords[0]);
    storeBe16(h + 6, f.olderHuWords[1]);
    storeBe16(h + 8, 0);
    storeBe16(h + 10, 0);
}

bool isMakerSnap(Framing framing) { return framing == Framing::MakerSnap || framing == Framing::MakerSnapInVlan; }

bool isVlan(Framing framing) {
    return framing == Framing::Vlan || framing == Framing::SnapInVlan || framing == Framing::MakerSnapInVlan;
}

// Maker SNAP carries only the headers whose type stands in the SNAP protocol field, and those
// headers only travel there.
bool framingCarries(Framing framing, HeaderKind kind) {
    const bool makerHeader = kind == HeaderKind::OlderHu || kind == HeaderKind::TypeOnly;
    return isMakerSnap(framing) == makerHeader;
}

// Returns the type/length word the layer below must write.
BuildError prependSnap(J5PacketObj& packet, Framing framing, std::uint16_t& typeOrLength) {
    const bool maker = isMakerSnap(framing);
    const std::size_t llcLength = maker ? kMakerSnapLen : kSnapLen;
    std::uint8_t* llc = prepend(packet, llcLength);
    if (!llc) return BuildError::NoRoom;
    std::memcpy(llc, kLlcSnap, sizeof kLlcSnap);
    std::memcpy(llc + 3, maker ? kMakerOui : kSnapOui, 3);
    if (!maker) storeBe16(llc + 6, kEtherTypeJ5);
    typeOrLength = packet.length;
    return BuildError::None;
}

BuildError padToMinimum(J5PacketObj& packet) {
    if (packet.length >= J5_MIN_FRAME_LEN) return BuildError::None;
    if (packet.bufferClass < J5_MIN_FRAME_LEN) return BuildError::NoRoom;
    if (packet.dataRef + J5_MIN_FRAME_LEN > bufferEnd(packet)) {
        // Unused header room left too little tail: move the frame to the buffer start.
        const auto shift = packet.dataRef - packet.buffer;
        std::memmove(packet.buffer, packet.dataRef, packet.length);
        packet.dataRef = packet.buffer;
        if (packet.headerRef) packet.headerRef -= shift;
        if (packet.sendHeaderRef) packet.sendHeaderRef -= shift;
    }
    std::memset(packet.dataRef + packet.length, 0, J5_MIN_FRAME_LEN - packet.length);
    packet.length = J5_MIN_FRAME_LEN;
    return BuildError::None;
}

} // namespace

BuildError placePayload(J5PacketObj& packet, J5HeaderBitMap bitmap, const std::uint8_t* payload, std::uint16_t length) {
    const std::size_t room = headerRoom(bitmap);
    if (room + length > packet.bufferClass) return BuildError::NoRoom;
    packet.dataRef = packet.buffer + room;
    packet.length = length;
    if (payload && length) std::memcpy(packet.dataRef, payload, length);
    return BuildError::None;
}

std::uint8_t* prepend(J5PacketObj& packet, std::size_t n) {
    if (static_cast<std::size_t>(packet.dataRef - packet.buffer) < n) return nullptr;
    if (packet.length + n > 0xFFFF) return nullptr;
    packet.dataRef -= n;
    packet.length = static_cast<std::uint16_t>(packet.length + n);
    return packet.dataRef;
}

BuildError writeJ5Header(J5PacketObj& packet, HeaderKind kind, const HeaderFields& fields) {
    std::uint8_t* h = prepend(packet, headerLength(kind));
    if (!h) return BuildError::NoRoom;
    switch (kind) {
    case HeaderKind::Full: writeFull(h, fields); break;
    case HeaderKind::Short:
        writeType(h, fields.type);
        std::memcpy(h + kOffSenderMac, fields.senderMac, J5_MAC_LEN);
        break;
    case HeaderKind::OlderHu: writeOlderHu(h, fields); break;
    case HeaderKind::TypeOnly: writeType(h, fields.type); break;
    }
    packet.headerRef = h;
    packet.sendHeaderRef = h;
    return BuildError::None;
}

BuildError frameForEthernet(J5PacketObj& packet, Framing framing, const std::uint8_t* destMac,
                            const std::uint8_t* sourceMac, std::uint16_t tci) {
    if (framing == Framing::Udp) return BuildError::BadBitmap;
    std::uint16_t typeOrLength = kEtherTypeJ5;
    if (framing != Framing::Plain && framing != Framing::Vlan) {
        if (const auto error = prependSnap(packet, framing, typeOrLength); error != BuildError::None) return error;
    }
    if (isVlan(framing)) {
        std::uint8_t* tag = prepend(packet, kVlanTagLen);
        if (!tag) return BuildError::NoRoom;
        storeBe16(tag, tci);
        storeBe16(tag + 2, typeOrLength);
        typeOrLength = kEtherTypeVlan;
    }
    std::uint8_t* eth = prepend(packet, kEthernetHeaderLen);
    if (!eth) return BuildError::NoRoom;
    std::memcpy(eth, destMac, J5_MAC_LEN);
    std::memcpy(eth + J5_MAC_LEN, sourceMac, J5_MAC_LEN);
    storeBe16(eth + 12, typeOrLength);
    return padToMinimum(packet);
}

BuildError buildPacket(J5PacketObj& packet, const PacketRequest& request) {
    if (!(request.bitmap & J5_HBM_ETHERNET)) return BuildError::BadBitmap;
    HeaderKind kind{};
    if (!headerKindForSend(request.header.type, request.bitmap, kind)) return BuildError::UnknownType;
    const Framing framing = framingFor(request.bitmap);
    const bool udp = framing == Framing::Udp;
    if (udp ? (kind == HeaderKind::OlderHu || kind == HeaderKind::TypeOnly) : !framingCarries(framing, kind)) {
        return BuildError::BadBitmap;
    }
    if (const auto e = placePayload(packet, request.bitmap, request.payload, request.payloadLength);
        e != BuildError::None) {
        return e;
    }
    if (const auto e = writeJ5Header(packet, kind, request.header); e != BuildError::None) return e;
    const std::uint16_t tci = tagControlFor(request.header.type, request.callerTci);
    packet.sendBitMap = request.bitmap;
    packet.sendPayloadLength = request.payloadLength;
    packet.sendTagControlWord = wireOrderWord(tci);
    std::memcpy(packet.destMac, request.destMac, J5_MAC_LEN);
    packet.sendAddressRef = packet.destMac;
    if (udp) return BuildError::None;
    return frameForEthernet(packet, framing, request.destMac, request.header.senderMac, tci);
}

} // namespace ralnet::wire
