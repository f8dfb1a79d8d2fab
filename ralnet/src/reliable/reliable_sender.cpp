#include "reliable/reliable_sender.h"

#include "pool/ring.h"
#include "reliable/mac.h"
#include "wire/layout.h"

#include <algorithm>

namespace ralnet::reliable {
namespace {

constexpr std::uint16_t kConnectPayloadLength = 4; // "HI" carries four bytes of nothing

J5Result withState(J5Result base, std::uint16_t state) { return static_cast<J5Result>(base | (state & 0xFF)); }

} // namespace

ReliableSender::ReliableSender(const ReliableConfig& config, StackServices& services)
    : config_(config), services_(services), table_(config.connections, config.windowLength) {}

ReliableSender::~ReliableSender() {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        LockedSendConnection c = table_.lockSlot(i);
        if (!c) continue;
        while (auto* packet = static_cast<J5PacketObj*>(ringGet(c->window)))
            release(packet);
    }
}

J5Result ReliableSender::sendReliable(J5PacketObj* packet, std::uint16_t type, const Route& route) {
    if (isMulticastMac(route.destMac)) {
        release(packet);
        return J5_ERR_RELIABLE_MULTICAST;
    }
    LockedSendConnection c = table_.findOrCreate(route.destMac, kez::sys::tickMs());
    if (!c) {
        release(packet);
        return J5_ERR_NO_CONNECTION;
    }
    if (type == J5_TYPE_HC) {
        release(packet);
        if (const J5Result refused = resynchronise(*c.connection); refused != J5_OK) return refused;
        packet = nullptr;
    }
    return sendByState(*c.connection, packet, route);
}

// J5_OK lets the send go on (without a packet) to connect anew.
J5Result ReliableSender::resynchronise(SendConnection& c) {
    const bool waiting = hasWaitingPackets(c);
    if (c.state == kSendConnecting || (c.state == kSendOpen && waiting)) {
        return withState(J5_RESYNC_NOT_NEEDED, c.state);
    }
    if (c.state == kSendOpen) c.state = kSendReconnect;
    if (c.state == kSendFailed) {
        c.state = kSendReconnect;
        if (waiting) return withState(J5_ERR_RESYNC_REFUSED, kSendReconnect);
    }
    ++c.counters.resynchronisations;
    return J5_OK;
}

J5Result ReliableSender::sendByState(SendConnection& c, J5PacketObj* packet, const Route& route) {
    switch (c.state) {
    case kSendConnecting: return queueBehindConnect(c, packet);
    case kSendOpen: return queueOnOpen(c, packet);
    case kSendFailed: release(packet); return J5_ERR_RESYNC_NEEDED;
    case 0:
    case kSendCreated:
    case kSendReconnect:
        if (hasWaitingPackets(c)) {
            release(packet);
            return J5_ERR_WINDOW_NOT_EMPTY;
        }
        return connect(c, packet, route);
    default: release(packet); return withState(J5_ERR_RESYNC_REFUSED, c.state);
    }
}

J5Result ReliableSender::queueBehindConnect(SendConnection& c, J5PacketObj* packet) {
    if (!packet || ringIsEmpty(c.window)) {
        release(packet);
        return J5_ERR_BAD_ARGUMENT;
    }
    if (const J5Result full = putInWindow(c, packet); full != J5_OK) return full;
    return withState(J5_QUEUED, c.state);
}

J5Result ReliableSender::queueOnOpen(SendConnection& c, J5PacketObj* packet) {
    if (!packet) return J5_ERR_BAD_ARGUMENT;
    const bool wasEmpty = ringIsEmpty(c.window);
    if (const J5Result full = putInWindow(c, packet); full != J5_OK) return full;
    if (wasEmpty) sendHead(c);
    return withState(J5_QUEUED, c.state);
}

// The window length counts data packets only: a connect request at the head takes no room, so a
// full window of held packets fits behind the request that reconnects them.
J5Result ReliableSender::putInWindow(SendConnection& c, J5PacketObj* packet) {
    const std::uint16_t connectRequest = c.state == kSendConnecting ? 1 : 0;
    if (ringUsedEntries(c.window) - connectRequest >= c.windowLength || !ringPut(c.window, packet)) {
        release(packet);
        return J5_ERR_WINDOW_FULL;
    }
    return J5_OK;
}

J5Result ReliableSender::connect(SendConnection& c, J5PacketObj* packet, const Route& route) {
    J5PacketObj* hi = services_.takePacket(requestSize(route.bitmap, kConnectPayloadLength), true);
    if (!hi) {
        release(packet);
        return withState(J5_ERR_NO_BUFFER, c.state);
    }
    const auto number = static_cast<std::uint16_t>(c.connectNumber + 1);
    wire::HeaderFields header;
    header.type = J5_TYPE_HI;
    services_.copyOwnMac(header.senderMac);
    header.sequence = number;
    header.destVdn = 1;
    header.srcVdn = 1;
    header.receiverIndex = c.peerIndex;
    header.senderIndex = c.ownIndex;
    const std::uint8_t nothing[kConnectPayloadLength] = {};
    if (!buildFullPacket(*hi, header, route, nothing, kConnectPayloadLength)) {
        release(hi);
        release(packet);
        return J5_ERR_BAD_ARGUMENT;
    }
    c.connectNumber = number;
    c.lastSequence = number;
    c.sendTime = kez::sys::tickMs();
    c.retryCount = 0;
    c.state = kSendConnecting;
    ++c.counters.connects;
    ringPut(c.window, hi);
    services_.transmit(*hi);
    services_.awaitingAnswer();
    if (packet) {
        if (const J5Result full = putInWindow(c, packet); full != J5_OK) return full;
    }
    return withState(J5_QUEUED, c.state);
}

std::size_t ReliableSender::resumeHeld(const Route& route, std::span<J5PacketObj* const> held) {
    LockedSendConnection c = table_.findOrCreate(route.destMac, kez::sys::tickMs());
    J5Result result = J5_ERR_NO_CONNECTION;
    if (c) {
        c->heldAway = false;
        result = services_.started() ? resynchronise(*c.connection) : J5Result{J5_ERR_NOT_STARTED};
        if (result == J5_OK) result = sendByState(*c.connection, nullptr, route);
    }
    std::size_t resumed = 0;
    for (J5PacketObj* packet : held) {
        if (isSendFailure(result)) {
            release(packet);
        } else if (!isSendFailure(sendByState(*c.connection, packet, route))) {
            ++resumed;
        }
    }
    return resumed;
}

void ReliableSender::sendHead(SendConnection& c) {
    auto* head = static_cast<J5PacketObj*>(ringPeek(c.window));
    c.lastSequence = static_cast<std::uint16_t>(c.lastSequence + 1);
    patchBuiltWord(*head, wire::kOffSequence, c.lastSequence);
    patchBuiltWord(*head, wire::kOffReceiverIndex, c.peerIndex);
    patchBuiltWord(*head, wire::kOffSenderIndex, c.ownIndex);
    c.sendTime = kez::sys::tickMs();
    c.retryCount = 0;
    ++c.counters.sentFirstTime;
    services_.transmit(*head);
    services_.awaitingAnswer();
}

std::uint16_t ReliableSender::setWindowLength(const std::uint8_t* mac, std::uint16_t length) {
    LockedSendConnection c = table_.findOrCreate(mac, kez::sys::tickMs());
    if (!c) return 0;
    if (!hasWaitingPackets(*c.connection) && length >= 1) c->windowLength = std::min(length, kMaxWindowLength);
    return c->windowLength;
}

bool ReliableSender::setPinned(const std::uint8_t* mac, std::uint16_t pinned) {
    return table_.setPinned(mac, pinned, kez::sys::tickMs());
}

std::optional<SendConnectionView> ReliableSender::inspect(const std::uint8_t* mac) {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        LockedSendConnection c = table_.lockSlot(i);
        if (!c || !sameMac(c->peerMac, mac)) continue;
        SendConnectionView v;
        v.ownIndex = c->ownIndex;
        v.peerIndex = c->peerIndex;
        v.state = c->state;
        v.lastSequence = c->lastSequence;
        v.connectNumber = c->connectNumber;
        v.initialConnectNumber = c->initialConnectNumber;
        v.retryCount = c->retryCount;
        v.waiting = ringUsedEntries(c->window);
        v.windowLength = c->windowLength;
        v.pinned = c->pinned;
        v.counters = c->counters;
        return v;
    }
    return std::nullopt;
}

} // namespace ralnet::reliable
