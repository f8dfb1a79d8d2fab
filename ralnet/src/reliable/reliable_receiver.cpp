#include "reliable/reliable_receiver.h"

#include "reliable/packet_ops.h"
#include "wire/byte_order.h"
#include "wire/layout.h"

#include <cstring>

namespace ralnet::reliable {
namespace {

constexpr std::uint16_t kConnectOpened = 0x0001;
constexpr std::uint16_t kConnectRepeated = 0x0002;
constexpr std::uint16_t kUnmatchedIndex = 0xFFFF;
// An eviction notice on Ethernet goes as an untagged frame.
constexpr J5HeaderBitMap kNotOnEvictionFrame = J5_HBM_8021Q | J5_HBM_IP | J5_HBM_UDP;

} // namespace

struct ReliableReceiver::Reply {
    std::uint16_t type = 0;
    std::uint16_t sequence = 0;
    std::uint16_t destVdn = 0;
    std::uint16_t receiverIndex = 0;
    std::uint16_t senderIndex = 0;
    std::uint16_t word = 0; // the one payload word of "HY" and "HE"
    bool hasWord = false;
};

ReliableReceiver::ReliableReceiver(std::uint16_t connections, StackServices& services)
    : services_(services), table_(connections) {}

void ReliableReceiver::onData(J5PacketObj* packet) {
    const wire::HeaderFields h = receivedHeader(*packet);
    std::lock_guard lock(tableLock_);
    ReceiveConnection* c = table_.findForPacket(h.receiverIndex, h.senderMac);
    if (!c) {
        // An "HE" answers with the sender's own numbers: its index back, 0xFFFF as ours.
        reply(packet, {J5_TYPE_HE, h.sequence, h.srcVdn, h.senderIndex, kUnmatchedIndex, J5_CAUSE_NOT_CONNECTED, true});
        return;
    }
    c->lastActivity = kez::sys::tickMs();
    if (c->state != kReceiveOpen) {
        ++c->counters.dropped;
        c->expectedSequence = h.sequence;
        reply(packet, {J5_TYPE_HE, h.sequence, h.srcVdn, c->peerIndex, c->ownIndex, J5_CAUSE_NOT_CONNECTED, true});
        return;
    }
    if (h.sequence == c->expectedSequence) {
        acceptInSequence(*c, packet);
        return;
    }
    if (h.sequence == static_cast<std::uint16_t>(c->expectedSequence - 1)) {
        // Our "HH" was lost: acknowledge again, deliver nothing.
        ++c->counters.repeatsAcknowledged;
        reply(packet, {J5_TYPE_HH, h.sequence, h.srcVdn, c->peerIndex, c->ownIndex, 0, false});
        return;
    }
    ++c->counters.dropped;
    services_.givePacket(packet);
}

void ReliableReceiver::acceptInSequence(ReceiveConnection& c, J5PacketObj* packet) {
    const wire::HeaderFields h = receivedHeader(*packet);
    const Route route = replyRouteOf(*packet);
    J5PacketObj* ack = services_.takePacket(requestSize(route.bitmap, 0), true);
    if (!ack) {
        // Not acknowledged: the peer sends it again.
        drop(packet);
        return;
    }
    wire::HeaderFields header;
    header.type = J5_TYPE_HH;
    services_.copyOwnMac(header.senderMac);
    header.sequence = c.expectedSequence;
    header.destVdn = h.srcVdn;
    header.srcVdn = 1;
    header.receiverIndex = c.peerIndex;
    header.senderIndex = c.ownIndex;
    if (!buildFullPacket(*ack, header, route, nullptr, 0)) {
        services_.givePacket(ack);
        drop(packet);
        return;
    }
    if (!services_.queueData(packet)) {
        services_.givePacket(ack);
        drop(packet);
        return;
    }
    ack->freeAfterSend = 1;
    services_.transmit(*ack);
    ++c.counters.deliveredWhileOpen;
    c.expectedSequence = static_cast<std::uint16_t>(c.expectedSequence + 1);
}

void ReliableReceiver::onConnect(J5PacketObj* packet) {
    const wire::HeaderFields h = receivedHeader(*packet);
    std::lock_guard lock(tableLock_);
    ReceiveConnection* c = table_.findForPacket(h.receiverIndex, h.senderMac);
    if (!c) c = create(h.senderMac, packet->pathFlags);
    if (!c) {
        reply(packet, {J5_TYPE_HE, h.sequence, h.srcVdn, h.senderIndex, kUnmatchedIndex, J5_CAUSE_NO_CONNECTION, true});
        return;
    }
    ++c->counters.connectsTaken;
    std::uint16_t answer = kConnectOpened;
    if (c->state == kReceiveOpen && h.sequence == c->connectNumber) {
        answer = kConnectRepeated;
        ++c->counters.repeatedConnects;
    } else {
        c->state = kReceiveOpen;
        c->expectedSequence = static_cast<std::uint16_t>(h.sequence + 1);
        c->connectNumber = h.sequence;
    }
    c->peerIndex = h.senderIndex;
    c->connectedOverUdp = packet->udpSourceRef != nullptr;
    if (c->connectedOverUdp) std::memcpy(c->udpAddress, packet->udpSourceRef->address, sizeof c->udpAddress);
    reply(packet, {J5_TYPE_HY, c->connectNumber, h.srcVdn, c->peerIndex, c->ownIndex, answer, true});
}

bool ReliableReceiver::setPinned(const std::uint8_t* mac, std::uint16_t pinned, J5HeaderBitMap linkFlags) {
    std::lock_guard lock(tableLock_);
    ReceiveConnection* c = table_.find(mac);
    if (!c) c = create(mac, linkFlags);
    if (!c) return false;
    c->pinned = pinned;
    return true;
}

std::optional<ReceiveConnection> ReliableReceiver::inspect(const std::uint8_t* mac) const {
    std::lock_guard lock(tableLock_);
    const ReceiveConnection* c = table_.find(mac);
    if (!c) return std::nullopt;
    return *c;
}

std::uint32_t ReliableReceiver::dropped() const {
    std::lock_guard lock(tableLock_);
    return dropped_;
}

ReceiveConnection* ReliableReceiver::create(const std::uint8_t* mac, J5HeaderBitMap linkFlags) {
    ReceiveConnection evicted;
    bool didEvict = false;
    ReceiveConnection* c = table_.create(mac, linkFlags, kez::sys::tickMs(), evicted, didEvict);
    if (didEvict) tellEvicted(evicted);
    return c;
}

// The evicted peer learns that its next "HR" would not be known here. A peer that connected by
// UDP may sit on another subnet with an address of its own making: it is told by UDP where it
// spoke from, never by a frame on the link.
void ReliableReceiver::tellEvicted(const ReceiveConnection& evicted) {
    Route route;
    std::memcpy(route.destMac, evicted.peerMac, J5_MAC_LEN);
    if (evicted.connectedOverUdp) {
        route.bitmap = J5_HBM_ETHERNET | J5_HBM_FULL_HEADER | J5_HBM_IP | J5_HBM_UDP;
        std::memcpy(route.destIp, evicted.udpAddress, sizeof route.destIp);
        route.typeOfService = kReplyTypeOfService;
    } else {
        route.bitmap = static_cast<J5HeaderBitMap>(evicted.linkFlags & ~kNotOnEvictionFrame);
    }
    J5PacketObj* notice = services_.takePacket(requestSize(route.bitmap, 2), true);
    if (!notice) return;
    wire::HeaderFields header;
    header.type = J5_TYPE_HE;
    services_.copyOwnMac(header.senderMac);
    header.sequence = evicted.expectedSequence;
    header.destVdn = 1;
    header.srcVdn = 1;
    header.receiverIndex = evicted.peerIndex;
    header.senderIndex = evicted.ownIndex;
    std::uint8_t cause[2];
    wire::storeBe16(cause, J5_CAUSE_EVICTED);
    if (!buildFullPacket(*notice, header, route, cause, sizeof cause)) {
        services_.givePacket(notice);
        return;
    }
    notice->freeAfterSend = 1;
    services_.transmit(*notice);
}

// The received packet itself becomes the reply, back to its sender on the path it came by.
void ReliableReceiver::reply(J5PacketObj* packet, const Reply& r) {
    const Route route = replyRouteOf(*packet);
    wire::HeaderFields header;
    header.type = r.type;
    services_.copyOwnMac(header.senderMac);
    header.sequence = r.sequence;
    header.destVdn = r.destVdn;
    header.srcVdn = 1;
    header.receiverIndex = r.receiverIndex;
    header.senderIndex = r.senderIndex;
    std::uint8_t word[2];
    wire::storeBe16(word, r.word);
    if (!buildFullPacket(*packet, header, route, r.hasWord ? word : nullptr, r.hasWord ? sizeof word : 0)) {
        drop(packet);
        return;
    }
    packet->freeAfterSend = 1;
    services_.transmit(*packet);
}

void ReliableReceiver::drop(J5PacketObj* packet) {
    ++dropped_;
    services_.givePacket(packet);
}

} // namespace ralnet::reliable
