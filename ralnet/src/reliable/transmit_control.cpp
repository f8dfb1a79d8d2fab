// Transmit control: what the peer's "HH", "HY" and "HE" do to a send connection, the
// retransmission scan, and errors handed to the error queue.
#include "reliable/error_record.h"
#include "reliable/mac.h"
#include "reliable/reliable_sender.h"

#include "pool/ring.h"
#include "wire/byte_order.h"
#include "wire/layout.h"

#include <algorithm>

namespace ralnet::reliable {
namespace {

constexpr std::uint16_t kConnectRepeated = 0x0002;

std::uint16_t firstPayloadWord(const J5PacketObj& packet) { return wire::loadBe16(packet.dataRef); }

} // namespace

void ReliableSender::onControl(J5PacketObj* packet) {
    const std::uint16_t type = receivedWord(*packet, wire::kOffType);
    const bool carriesWord = type == J5_TYPE_HH || packet->length >= 2;
    LockedSendConnection c;
    if (carriesWord) {
        c = table_.findForControl(receivedWord(*packet, wire::kOffReceiverIndex),
                                  packet->headerRef + wire::kOffSenderMac);
    }
    if (!c) {
        release(packet);
        return;
    }
    if (ringIsEmpty(c->window)) {
        ++c->counters.rejectedControl;
        release(packet);
        return;
    }
    switch (type) {
    case J5_TYPE_HH: onAcknowledgement(*c.connection, packet); break;
    case J5_TYPE_HY: onConnectReply(*c.connection, packet); break;
    case J5_TYPE_HE: onErrorReply(*c.connection, packet); break;
    default: release(packet); break;
    }
}

void ReliableSender::onAcknowledgement(SendConnection& c, J5PacketObj* packet) {
    const std::uint16_t sequence = receivedWord(*packet, wire::kOffSequence);
    release(packet);
    if (c.state != kSendOpen || sequence != c.lastSequence) {
        ++c.counters.rejectedControl;
        return;
    }
    ++c.counters.acknowledgements;
    release(static_cast<J5PacketObj*>(ringGet(c.window)));
    if (!ringIsEmpty(c.window)) sendHead(c);
}

void ReliableSender::onConnectReply(SendConnection& c, J5PacketObj* packet) {
    const std::uint16_t sequence = receivedWord(*packet, wire::kOffSequence);
    const std::uint16_t replierIndex = receivedWord(*packet, wire::kOffSenderIndex);
    const std::uint16_t answer = firstPayloadWord(*packet);
    release(packet);
    if (c.state != kSendConnecting || sequence != c.connectNumber) {
        ++c.counters.rejectedControl;
        return;
    }
    ++c.counters.connectReplies;
    c.peerIndex = replierIndex;
    if (answer == kConnectRepeated && c.connectNumber == c.initialConnectNumber) {
        // The peer still has a connection opened with this number by an earlier life of ours.
        c.connectNumber = static_cast<std::uint16_t>(c.connectNumber + 1);
        c.lastSequence = c.connectNumber;
        auto* hi = static_cast<J5PacketObj*>(ringPeek(c.window));
        patchBuiltWord(*hi, wire::kOffSequence, c.connectNumber);
        c.sendTime = kez::sys::tickMs();
        ++c.retryCount;
        services_.transmit(*hi);
        return;
    }
    c.state = kSendOpen;
    c.lastSequence = c.connectNumber;
    release(static_cast<J5PacketObj*>(ringGet(c.window)));
    if (!ringIsEmpty(c.window)) sendHead(c);
}

void ReliableSender::onErrorReply(SendConnection& c, J5PacketObj* packet) {
    const std::uint16_t sequence = receivedWord(*packet, wire::kOffSequence);
    const bool current = (c.state == kSendConnecting || c.state == kSendOpen) && sequence == c.lastSequence;
    if (!current) {
        ++c.counters.rejectedControl;
        release(packet);
        return;
    }
    const std::uint16_t cause = firstPayloadWord(*packet);
    if (cause < J5_CAUSE_NOT_CONNECTED || cause > J5_CAUSE_EVICTED) {
        release(packet);
        return;
    }
    const auto* head = static_cast<const J5PacketObj*>(ringPeek(c.window));
    if (!prepareReceivedRecord(*packet, *head, c.peerMac)) {
        release(packet);
        packet = nullptr;
    }
    deliverError(c, packet, cause);
}

bool ReliableSender::retransmissionScan() {
    bool scanGoesOn = true;
    bool waiting = false;
    for (std::size_t i = 0; i < table_.size() && scanGoesOn; ++i) {
        LockedSendConnection c = table_.lockSlot(i);
        if (c && retransmitIfDue(*c.connection, scanGoesOn)) waiting = true;
    }
    return waiting || !scanGoesOn;
}

bool ReliableSender::retransmitIfDue(SendConnection& c, bool& scanGoesOn) {
    if (c.state != kSendConnecting && c.state != kSendOpen) return false;
    auto* head = static_cast<J5PacketObj*>(ringPeek(c.window));
    if (!head) return false;
    const kez::sys::Tick now = kez::sys::tickMs();
    if (kez::sys::ticksSince(c.sendTime, now) <= retransmitTimeout(c.retryCount, isLargeBuffer(*head))) return true;
    if (!sameMac(head->destMac, c.peerMac)) return true;
    if (c.retryCount < config_.retryLimit) {
        ++c.retryCount;
        c.sendTime = now;
        c.counters.highestRetryCount = std::max(c.counters.highestRetryCount, c.retryCount);
        ++c.counters.retransmissions;
        services_.transmit(*head);
        return true;
    }
    scanGoesOn = giveUp(c);
    return !scanGoesOn;
}

// The connection's own error record: the peer did not answer within the retry limit.
bool ReliableSender::giveUp(SendConnection& c) {
    const auto* head = static_cast<const J5PacketObj*>(ringPeek(c.window));
    const Route route = routeOf(*head);
    J5PacketObj* record = services_.takePacket(requestSize(route.bitmap, kErrorRecordPayload), true);
    if (!record) return false;
    ++c.counters.giveUps;
    c.lastSequence = static_cast<std::uint16_t>(c.lastSequence + 1);
    if (!buildGiveUpRecord(*record, c.peerMac, c.lastSequence, c.peerIndex, c.ownIndex, route)) {
        release(record);
        record = nullptr;
    }
    deliverError(c, record, J5_CAUSE_RETRY_LIMIT);
    return true;
}

// The record goes to the error queue with the held packets behind it, and the error handler
// is told once the record is queued, whatever became of the packets behind it. Packets the error
// handler will send again keep the connection busy until it has put them back.
void ReliableSender::deliverError(SendConnection& c, J5PacketObj* record, std::uint16_t cause) {
    c.state = kSendFailed;
    const std::uint16_t held = ringUsedEntries(c.window);
    bool queued = false;
    if (record) {
        setRecordWords(*record, cause, config_.deliverHeldPackets ? held : 0);
        queued = services_.queueError(record);
        if (!queued) release(record);
    }
    c.heldAway = queued && config_.deliverHeldPackets && held > 0 && cause == J5_CAUSE_NOT_CONNECTED;
    while (auto* packet = static_cast<J5PacketObj*>(ringGet(c.window))) {
        if (!(queued && config_.deliverHeldPackets && services_.queueError(packet))) release(packet);
    }
    if (queued) services_.signalError();
}

} // namespace ralnet::reliable
