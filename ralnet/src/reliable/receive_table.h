#pragma once
// The receive-connection table: one connection per peer that sends reliable packets here,
// fixed slots, 256 hash buckets by the peer's last address byte. Not locked itself: the
// receiver holds its one table lock around every use.
#include "ralnet/j5.h"
#include "reliable/config.h"

#include "kez/sys/tick.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ralnet::reliable {

enum : std::uint16_t { kReceiveCreated = 1, kReceiveOpen = 3 };

struct ReceiveCounters {
    std::uint32_t deliveredWhileOpen = 0;
    std::uint32_t connectsTaken = 0;
    std::uint32_t repeatsAcknowledged = 0;
    std::uint32_t dropped = 0;
    std::uint32_t repeatedConnects = 0;
};

struct ReceiveConnection {
    ReceiveConnection* chain = nullptr;
    std::uint8_t peerMac[J5_MAC_LEN] = {};
    std::uint16_t ownIndex = 0;
    std::uint16_t peerIndex = 0;
    bool inUse = false;
    std::uint16_t pinned = 0;
    std::uint16_t state = 0;
    std::uint16_t expectedSequence = 0;
    std::uint16_t connectNumber = 0;
    kez::sys::Tick lastActivity = 0;
    J5HeaderBitMap linkFlags = 0;
    // Set while the peer's last connect request came by UDP, from this address (network order).
    bool connectedOverUdp = false;
    std::uint8_t udpAddress[4] = {};
    ReceiveCounters counters;
};

class ReceiveTable {
public:
    explicit ReceiveTable(std::uint16_t connections);

    ReceiveConnection* find(const std::uint8_t* mac) const;
    // By the receiver index a packet carries when that slot belongs to its sender, else by address.
    ReceiveConnection* findForPacket(std::uint16_t receiverIndex, const std::uint8_t* senderMac) const;

    // A free slot, or the longest idle unpinned connection, which `evicted` then describes (its
    // peer must be told). Null when every slot is pinned or just active, or the address is refused.
    ReceiveConnection* create(const std::uint8_t* mac, J5HeaderBitMap linkFlags, kez::sys::Tick now,
                              ReceiveConnection& evicted, bool& didEvict);

    std::size_t size() const { return count_; }
    const ReceiveConnection& slot(std::size_t index) const { return slots_[index]; }

private:
    ReceiveConnection* evict(kez::sys::Tick now);
    void unlink(ReceiveConnection& connection);

    std::size_t count_;
    std::unique_ptr<ReceiveConnection[]> slots_;
    std::array<ReceiveConnection*, kBucketCount> buckets_{};
};

} // namespace ralnet::reliable
