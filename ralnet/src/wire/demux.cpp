#include "wire/demux.h"

#include "wire/byte_order.h"
#include "wire/layout.h"

#include <cstring>

namespace ralnet::wire {
namespace {

constexpr std::uint16_t kMaxLengthField = 0x0800; // below: an 802.3 length, not a type
constexpr std::size_t kMakerSnapMinimum = 22;     // bytes after the Ethernet header

bool hasLlcSnap(const std::uint8_t* llc, const std::uint8_t (&oui)[3]) {
    return std::memcmp(llc, kLlcSnap, 3) == 0 && std::memcmp(llc + 3, oui, 3) == 0;
}

bool isMakerSnapType(std::uint16_t type) { return type == J5_TYPE_DL || type == J5_TYPE_HU; }

DemuxVerdict demultiplexLlc(const std::uint8_t* frame, std::size_t length, std::size_t at, LinkInput& out) {
    const std::size_t available = length - at;
    if (available < kSnapLen) return DemuxVerdict::Runt;
    const std::uint8_t* llc = frame + at;
    if (hasLlcSnap(llc, kSnapOui) && loadBe16(llc + 6) == kEtherTypeJ5) {
        out.pathFlags |= J5_HBM_SNAP;
        out.j5Offset = at + kSnapLen;
    } else if (hasLlcSnap(llc, kMakerOui) && isMakerSnapType(loadBe16(llc + 6))) {
        if (available < kMakerSnapMinimum) return DemuxVerdict::Runt;
        out.pathFlags |= J5_HBM_MAKER_SNAP;
        out.j5Offset = at + kMakerSnapLen;
    } else {
        return DemuxVerdict::UnknownLlc;
    }
    out.j5Length = length - out.j5Offset;
    return DemuxVerdict::J5;
}

bool isFullHeaderType(std::uint16_t type) {
    return type == J5_TYPE_HR || type == J5_TYPE_HH || type == J5_TYPE_HI || type == J5_TYPE_HY || type == J5_TYPE_HE;
}

// "HE" and "HY" carry a word (cause, connect result) that their handlers read.
std::size_t minimumPayload(std::uint16_t type) { return (type == J5_TYPE_HE || type == J5_TYPE_HY) ? 2 : 0; }

bool positionFor(std::uint16_t type, J5HeaderBitMap pathFlags, PayloadPosition& out) {
    const bool makerSnap = pathFlags & J5_HBM_MAKER_SNAP;
    out.type = type;
    if (isFullHeaderType(type)) {
        out.offset = J5_FULL_HEADER_LEN;
        out.typeFlags = J5_HBM_FULL_HEADER;
    } else if (type == J5_TYPE_HU) {
        out.offset = makerSnap ? J5_OLDER_HU_HEADER_LEN : J5_FULL_HEADER_LEN;
        out.typeFlags = makerSnap ? J5_HBM_OLDER_HU : J5_HBM_FULL_HEADER;
    } else if (type == J5_TYPE_HA) {
        out.offset = J5_SHORT_HEADER_LEN;
        out.typeFlags = J5_HBM_SHORT_HEADER;
    } else if (type == J5_TYPE_DL) {
        out.offset = makerSnap ? J5_TYPE_ONLY_HEADER_LEN : J5_SHORT_HEADER_LEN;
        out.typeFlags = makerSnap ? 0 : J5_HBM_SHORT_HEADER;
    } else {
        return false;
    }
    return true;
}

} // namespace

DemuxVerdict demultiplex(const std::uint8_t* frame, std::size_t length, LinkInput& out) {
    out = LinkInput{};
    if (length < kEthernetHeaderLen) return DemuxVerdict::Runt;
    out.pathFlags = J5_HBM_ETHERNET;
    std::size_t at = 12;
    std::uint16_t typeOrLength = loadBe16(frame + at);
    if (typeOrLength == kEtherTypeVlan) {
        if (length < kEthernetHeaderLen + kVlanTagLen) return DemuxVerdict::Runt;
        out.pathFlags |= J5_HBM_8021Q;
        out.tci = loadBe16(frame + 14);
        at += kVlanTagLen;
        typeOrLength = loadBe16(frame + at);
    }
    at += 2;
    if (typeOrLength == kEtherTypeJ5) {
        out.j5Offset = at;
        out.j5Length = length - at;
        return DemuxVerdict::J5;
    }
    if (typeOrLength < kMaxLengthField) return demultiplexLlc(frame, length, at, out);
    if (typeOrLength == kEtherTypeIpv4) return DemuxVerdict::Ipv4;
    if (typeOrLength == kEtherTypeArp) return DemuxVerdict::Arp;
    return DemuxVerdict::UnknownType;
}

PayloadVerdict locatePayload(const std::uint8_t* j5, std::size_t length, J5HeaderBitMap pathFlags,
                             PayloadPosition& out) {
    out = PayloadPosition{};
    if (length < J5_TYPE_ONLY_HEADER_LEN) return PayloadVerdict::Truncated;
    const std::uint16_t type = loadBe16(j5);
    if (type == J5_TYPE_HT) return PayloadVerdict::Ignore;
    if (!positionFor(type, pathFlags, out)) return PayloadVerdict::Unknown;
    if (length < out.offset + minimumPayload(type)) return PayloadVerdict::Truncated;
    return PayloadVerdict::Deliver;
}

HeaderFields readHeader(const std::uint8_t* j5, const PayloadPosition& position) {
    HeaderFields f;
    f.type = position.type;
    switch (position.offset) {
    case J5_FULL_HEADER_LEN:
        std::memcpy(f.senderMac, j5 + kOffSenderMac, J5_MAC_LEN);
        f.sequence = f.type == J5_TYPE_HU ? loadLe16(j5 + kOffSequence) : loadBe16(j5 + kOffSequence);
        f.destVdn = loadBe16(j5 + kOffDestVdn);
        f.srcVdn = loadBe16(j5 + kOffSrcVdn);
        f.receiverIndex = loadBe16(j5 + kOffReceiverIndex);
        f.senderIndex = loadBe16(j5 + kOffSenderIndex);
        break;
    case J5_OLDER_HU_HEADER_LEN:
        f.sequence = loadLe16(j5 + 2);
        f.olderHuWords[0] = loadBe16(j5 + 4);
        f.olderHuWords[1] = loadBe16(j5 + 6);
        break;
    case J5_SHORT_HEADER_LEN: std::memcpy(f.senderMac, j5 + kOffSenderMac, J5_MAC_LEN); break;
    default: break;
    }
    return f;
}

DemuxVerdict acceptEthernetFrame(J5PacketObj& packet) {
    LinkInput link;
    const DemuxVerdict verdict = demultiplex(packet.dataRef, packet.length, link);
    if (verdict != DemuxVerdict::J5) return verdict;
    packet.linkDestinationRef = packet.dataRef;
    packet.udpSourceRef = nullptr;
    packet.pathFlags = link.pathFlags;
    packet.tagControlWord = wireOrderWord(link.tci);
    packet.dataRef += link.j5Offset;
    packet.length = static_cast<std::uint16_t>(link.j5Length);
    packet.headerRef = packet.dataRef;
    return verdict;
}

PayloadVerdict setPayloadPosition(J5PacketObj& packet) {
    PayloadPosition position;
    const PayloadVerdict verdict = locatePayload(packet.headerRef, packet.length, packet.pathFlags, position);
    if (verdict != PayloadVerdict::Deliver) return verdict;
    packet.dataRef = packet.headerRef + position.offset;
    packet.length = static_cast<std::uint16_t>(packet.length - position.offset);
    packet.pathFlags |= position.typeFlags;
    return verdict;
}

} // namespace ralnet::wire
