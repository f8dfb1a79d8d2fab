#include "reliable/send_table.h"

#include "reliable/eviction.h"
#include "reliable/mac.h"

#include <algorithm>
#include <cstring>

namespace ralnet::reliable {

std::uint16_t initialConnectNumber(kez::sys::Tick now, const std::uint8_t* mac) {
    const std::uint32_t m = mac[4] + 256u * mac[5];
    return static_cast<std::uint16_t>(now + m * 241u + 12345u);
}

SendTable::SendTable(std::uint16_t connections, std::uint16_t windowLength)
    : count_(connections), windowLength_(std::clamp<std::uint16_t>(windowLength, 1, kMaxWindowLength)),
      slots_(std::make_unique<SendConnection[]>(connections)) {
    for (std::size_t i = 0; i < count_; ++i) {
        SendConnection& c = slots_[i];
        c.ownIndex = static_cast<std::uint16_t>(i);
        ringInit(c.window, c.windowSlots.data(), kWindowSlots);
    }
}

LockedSendConnection SendTable::handOver(SendConnection* connection, std::unique_lock<std::mutex>& tableLock) {
    LockedSendConnection locked;
    if (!connection) return locked;
    locked.connection = connection;
    locked.lock = std::unique_lock(connection->lock);
    tableLock.unlock();
    return locked;
}

LockedSendConnection SendTable::findOrCreate(const std::uint8_t* mac, kez::sys::Tick now) {
    std::unique_lock table(tableLock_);
    SendConnection* c = findLocked(mac);
    if (!c) c = createLocked(mac, now);
    return handOver(c, table);
}

LockedSendConnection SendTable::findForControl(std::uint16_t receiverIndex, const std::uint8_t* senderMac) {
    std::unique_lock table(tableLock_);
    SendConnection* c = nullptr;
    // The index comes from the wire: only a slot of this table that belongs to the sender counts.
    if (receiverIndex < count_ && slots_[receiverIndex].inUse && sameMac(slots_[receiverIndex].peerMac, senderMac)) {
        c = &slots_[receiverIndex];
    } else {
        c = findLocked(senderMac);
    }
    return handOver(c, table);
}

LockedSendConnection SendTable::lockSlot(std::size_t index) {
    std::unique_lock table(tableLock_);
    if (index >= count_ || !slots_[index].inUse) return {};
    return handOver(&slots_[index], table);
}

bool SendTable::setPinned(const std::uint8_t* mac, std::uint16_t pinned, kez::sys::Tick now) {
    std::lock_guard table(tableLock_);
    SendConnection* c = findLocked(mac);
    if (!c) c = createLocked(mac, now);
    if (!c) return false;
    std::lock_guard guard(c->lock);
    c->pinned = pinned;
    return true;
}

SendConnection* SendTable::findLocked(const std::uint8_t* mac) const {
    for (SendConnection* c = buckets_[bucketOf(mac)]; c; c = c->chain) {
        if (sameMac(c->peerMac, mac)) return c;
    }
    return nullptr;
}

SendConnection* SendTable::createLocked(const std::uint8_t* mac, kez::sys::Tick now) {
    if (!acceptableConnectionPeer(mac)) return nullptr;
    SendConnection* c = nullptr;
    for (std::size_t i = 0; i < count_ && !c; ++i) {
        if (!slots_[i].inUse) c = &slots_[i];
    }
    if (!c) c = evictLocked(now);
    if (!c) return nullptr;
    initialise(*c, mac, now);
    return c;
}

// Only a connection with nothing waiting may go; its send time tells how long it has been idle.
SendConnection* SendTable::evictLocked(kez::sys::Tick now) {
    const auto chosen = oldestEvictable(count_, now, [this](std::size_t i) -> std::optional<kez::sys::Tick> {
        SendConnection& c = slots_[i];
        if (!c.inUse || c.pinned) return std::nullopt;
        std::lock_guard guard(c.lock);
        if (hasWaitingPackets(c)) return std::nullopt;
        return c.sendTime;
    });
    if (!chosen) return nullptr;
    SendConnection& victim = slots_[*chosen];
    {
        std::lock_guard guard(victim.lock);
        if (hasWaitingPackets(victim)) return nullptr;
    }
    unlinkLocked(victim);
    return &victim;
}

void SendTable::unlinkLocked(SendConnection& connection) {
    SendConnection** link = &buckets_[bucketOf(connection.peerMac)];
    while (*link && *link != &connection)
        link = &(*link)->chain;
    if (*link) *link = connection.chain;
    connection.chain = nullptr;
    connection.inUse = false;
}

// Address and use change under both locks, so either lock is enough to read them.
void SendTable::initialise(SendConnection& c, const std::uint8_t* mac, kez::sys::Tick now) {
    std::lock_guard guard(c.lock);
    std::memcpy(c.peerMac, mac, J5_MAC_LEN);
    c.inUse = true;
    c.pinned = 0;
    const std::uint8_t bucket = bucketOf(mac);
    c.chain = buckets_[bucket];
    buckets_[bucket] = &c;
    c.peerIndex = 0;
    c.state = kSendCreated;
    c.lastSequence = 0;
    c.initialConnectNumber = initialConnectNumber(now, mac);
    c.connectNumber = static_cast<std::uint16_t>(c.initialConnectNumber - 1);
    c.sendTime = now;
    c.retryCount = 0;
    c.counters = {};
    c.windowLength = windowLength_;
    c.heldAway = false;
}

} // namespace ralnet::reliable
