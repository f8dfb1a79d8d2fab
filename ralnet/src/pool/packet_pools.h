#pragma once
// The three fixed pools of packet objects (80, 352 and 1,518-byte buffers). Everything is
// allocated at creation; take and give back run from any thread under one lock, the innermost
// lock of the stack.
#include "ralnet/j5.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace ralnet {

enum class BufferClass : std::uint16_t { Small = 80, Medium = 352, Large = 1518 };

struct PoolSizes {
    std::uint32_t small = 0;
    std::uint32_t medium = 0;
    std::uint32_t large = 0;
};

// c, 3c and 10c + 80 objects for c connections.
PoolSizes poolSizesFor(std::uint16_t connections);

struct PoolCounters {
    std::uint64_t borrowings = 0; // served from a larger class than asked
    std::uint64_t exhausted = 0;  // nothing left outside the reserve
    std::uint64_t oversize = 0;   // larger than the largest buffer
    std::uint64_t repeatedGiveBacks = 0;
    std::uint64_t damaged = 0; // guard word, class or buffer reference overwritten
    std::uint64_t foreign = 0; // given back to a pool set it does not belong to
};

enum class GiveBackResult : std::uint8_t { Returned, Null, AlreadyInPool, Withdrawn, Foreign };

// Values of J5PacketObj::inPool.
inline constexpr std::uint16_t kLent = 0;
inline constexpr std::uint16_t kInPool = 1;
inline constexpr std::uint16_t kWithdrawn = 2; // damaged: never handed out again

class PacketPools {
public:
    // Null when a count does not fit a ring (more than 65,534) or memory is short.
    static std::unique_ptr<PacketPools> create(const PoolSizes& sizes);

    ~PacketPools();
    PacketPools(const PacketPools&) = delete;
    PacketPools& operator=(const PacketPools&) = delete;

    // An object for `bytes` (payload plus header room); null when none is left outside the
    // reserve (unless forced) or the request exceeds the largest buffer.
    J5PacketObj* take(std::size_t bytes, bool forced);

    GiveBackResult giveBack(J5PacketObj* packet);

    // Gives the object back to the pool set it came from, whoever calls.
    static GiveBackResult giveBackToOwner(J5PacketObj* packet);

    std::size_t available(BufferClass bufferClass) const;
    std::uint16_t reserve(BufferClass bufferClass) const;
    // Objects lent out and not yet given back.
    std::size_t outstanding() const;
    PoolCounters counters() const;

private:
    class Pool;
    explicit PacketPools(const PoolSizes& sizes);

    J5PacketObj* takeFrom(Pool& pool, bool forced);
    Pool* owningPool(const J5PacketObj* packet);

    mutable std::mutex lock_;
    std::array<std::unique_ptr<Pool>, 3> pools_;
    PoolCounters counters_;
};

} // namespace ralnet
