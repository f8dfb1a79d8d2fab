#pragma once
// The send-connection table: fixed slots, 256 hash buckets by the peer's last address byte, a
// table lock taken before any connection's own lock and released once that one is held.
#include "reliable/send_connection.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace ralnet::reliable {

// A connection with its own lock held (or none).
struct LockedSendConnection {
    SendConnection* connection = nullptr;
    std::unique_lock<std::mutex> lock;
    explicit operator bool() const { return connection != nullptr; }
    SendConnection* operator->() const { return connection; }
};

class SendTable {
public:
    SendTable(std::uint16_t connections, std::uint16_t windowLength);

    // The connection to `mac`, created (or another evicted for it) when there is none.
    LockedSendConnection findOrCreate(const std::uint8_t* mac, kez::sys::Tick now);
    // A control packet's connection: by the receiver index it carries when that slot belongs to
    // the sender, else by the sender's address. Never creates.
    LockedSendConnection findForControl(std::uint16_t receiverIndex, const std::uint8_t* senderMac);
    // Slot `index` when it holds a connection.
    LockedSendConnection lockSlot(std::size_t index);

    // Sets `pinned` on the connection to `mac`, created when needed; false when none can be had.
    bool setPinned(const std::uint8_t* mac, std::uint16_t pinned, kez::sys::Tick now);

    std::size_t size() const { return count_; }

private:
    SendConnection* findLocked(const std::uint8_t* mac) const;
    SendConnection* createLocked(const std::uint8_t* mac, kez::sys::Tick now);
    SendConnection* evictLocked(kez::sys::Tick now);
    void unlinkLocked(SendConnection& connection);
    void initialise(SendConnection& connection, const std::uint8_t* mac, kez::sys::Tick now);
    LockedSendConnection handOver(SendConnection* connection, std::unique_lock<std::mutex>& tableLock);

    std::size_t count_;
    std::uint16_t windowLength_;
    std::unique_ptr<SendConnection[]> slots_;
    std::array<SendConnection*, kBucketCount> buckets_{};
    mutable std::mutex tableLock_;
};

// The first connect number of a new connection: spread by time and address so a restarted
// station does not reuse its old numbers.
std::uint16_t initialConnectNumber(kez::sys::Tick now, const std::uint8_t* mac);

} // namespace ralnet::reliable
