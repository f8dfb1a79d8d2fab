#include "reliable/receive_table.h"

#include "reliable/eviction.h"
#include "reliable/mac.h"

#include <cstring>

namespace ralnet::reliable {

ReceiveTable::ReceiveTable(std::uint16_t connections)
    : count_(connections), slots_(std::make_unique<ReceiveConnection[]>(connections)) {
    for (std::size_t i = 0; i < count_; ++i)
        slots_[i].ownIndex = static_cast<std::uint16_t>(i);
}

ReceiveConnection* ReceiveTable::find(const std::uint8_t* mac) const {
    for (ReceiveConnection* c = buckets_[bucketOf(mac)]; c; c = c->chain) {
        if (sameMac(c->peerMac, mac)) return c;
    }
    return nullptr;
}

ReceiveConnection* ReceiveTable::findForPacket(std::uint16_t receiverIndex, const std::uint8_t* senderMac) const {
    // The index comes from the wire: only a slot of this table that belongs to the sender counts.
    if (receiverIndex < count_) {
        ReceiveConnection& c = slots_[receiverIndex];
        if (c.inUse && sameMac(c.peerMac, senderMac)) return &c;
    }
    return find(senderMac);
}

ReceiveConnection* ReceiveTable::create(const std::uint8_t* mac, J5HeaderBitMap linkFlags, kez::sys::Tick now,
                                        ReceiveConnection& evicted, bool& didEvict) {
    didEvict = false;
    if (!acceptableConnectionPeer(mac)) return nullptr;
    ReceiveConnection* c = nullptr;
    for (std::size_t i = 0; i < count_ && !c; ++i) {
        if (!slots_[i].inUse) c = &slots_[i];
    }
    if (!c) {
        c = evict(now);
        if (!c) return nullptr;
        evicted = *c;
        evicted.chain = nullptr;
        didEvict = true;
    }
    const std::uint16_t ownIndex = c->ownIndex;
    *c = ReceiveConnection{};
    c->ownIndex = ownIndex;
    c->inUse = true;
    std::memcpy(c->peerMac, mac, J5_MAC_LEN);
    c->state = kReceiveCreated;
    c->lastActivity = now;
    c->linkFlags = linkFlags;
    const std::uint8_t bucket = bucketOf(mac);
    c->chain = buckets_[bucket];
    buckets_[bucket] = c;
    return c;
}

ReceiveConnection* ReceiveTable::evict(kez::sys::Tick now) {
    const auto chosen = oldestEvictable(count_, now, [this](std::size_t i) -> std::optional<kez::sys::Tick> {
        const ReceiveConnection& c = slots_[i];
        if (!c.inUse || c.pinned) return std::nullopt;
        return c.lastActivity;
    });
    if (!chosen) return nullptr;
    unlink(slots_[*chosen]);
    return &slots_[*chosen];
}

void ReceiveTable::unlink(ReceiveConnection& connection) {
    ReceiveConnection** link = &buckets_[bucketOf(connection.peerMac)];
    while (*link && *link != &connection)
        link = &(*link)->chain;
    if (*link) *link = connection.chain;
    connection.chain = nullptr;
    connection.inUse = false;
}

} // namespace ralnet::reliable
