#include "pool/packet_pools.h"

#include "kez/sys/tick.h"
#include "pool/ring.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace ralnet {
namespace {

constexpr std::size_t kGuardLen = 2;
constexpr std::size_t kRequestOverhead = 4; // a request of n bytes needs n + 4
constexpr std::uint16_t kReserveCeiling = 300;
constexpr std::uint32_t kMaxObjects = 0xFFFE; // a ring of n + 1 slots must fit 16 bits

std::uint16_t guardFor(BufferClass c) {
    switch (c) {
    case BufferClass::Small: return 0xAAAA;
    case BufferClass::Medium: return 0xBBBB;
    case BufferClass::Large: return 0xCCCC;
    }
    return 0;
}

struct FreeBytes {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
};
using ZeroedBytes = std::unique_ptr<std::uint8_t[], FreeBytes>;

// Zeroed bytes without writing them: a large block is a fresh mapping the kernel hands out zeroed, so the
// buffers (megabytes at the default size) are not all written once more while the set starts.
ZeroedBytes zeroedBytes(std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(std::calloc(count, 1));
    if (bytes == nullptr) throw std::bad_alloc();
    return ZeroedBytes(bytes);
}

constexpr std::size_t strideFor(BufferClass c) { return (static_cast<std::size_t>(c) + kGuardLen + 7) / 8 * 8; }

// Clears what a previous use may have left, so no stale reference reaches the next user.
void prepareForUse(J5PacketObj& p) {
    std::memset(p.sharedModeWords, 0, sizeof p.sharedModeWords);
    p.allocationTime = kez::sys::tickMs();
    p.freeAfterSend = 0;
    p.headerRef = nullptr;
    p.linkDestinationRef = nullptr;
    p.pathFlags = 0;
    p.tagControlWord = 0;
    p.sendAddressRef = nullptr;
    std::memset(p.destMac, 0, sizeof p.destMac);
    std::memset(p.destIp, 0, sizeof p.destIp);
    p.sendBitMap = 0;
    p.sendPayloadLength = 0;
    p.sendTagControlWord = 0;
    p.typeOfService = 0;
    p.sendHeaderRef = nullptr;
    p.callerTag = 0;
    p.dataRef = p.buffer;
    p.length = 0;
    p.udpSourceRef = nullptr;
    p.inPool = kLent;
}

} // namespace

class PacketPools::Pool {
public:
    Pool(BufferClass c, std::uint32_t count, PacketPools* owner)
        : bufferClass_(c), count_(count), objects_(new J5PacketObj[count]()), arena_(zeroedBytes(count * strideFor(c))),
          slots_(new void*[count + 1]()) {
        ringInit(free_, slots_.get(), static_cast<std::uint16_t>(count + 1));
        // Small objects keep no reserve: control replies never need one.
        const std::uint16_t half = static_cast<std::uint16_t>(count / 2);
        reserve_ = c == BufferClass::Small ? 0 : (half < kReserveCeiling ? half : kReserveCeiling);
        for (std::uint32_t i = 0; i < count; ++i) {
            J5PacketObj& p = objects_[i];
            p.bufferClass = static_cast<std::uint16_t>(c);
            p.buffer = expectedBuffer(i);
            p.poolOwner = owner;
            p.inPool = kInPool;
            writeGuard(i);
            ringPut(free_, &p);
        }
    }

    BufferClass bufferClass() const { return bufferClass_; }
    std::uint16_t reserve() const { return reserve_; }
    std::size_t available() const { return ringUsedEntries(free_); }
    std::size_t withdrawn() const { return withdrawn_; }
    std::size_t count() const { return count_; }
    J5Ring& freeRing() { return free_; }

    // Index of the object at this address, or -1 when it is not one of this pool's objects.
    std::ptrdiff_t indexOf(const J5PacketObj* p) const {
        const J5PacketObj* first = objects_.get();
        const J5PacketObj* end = first + count_;
        if (std::less<const J5PacketObj*>{}(p, first) || !std::less<const J5PacketObj*>{}(p, end)) return -1;
        const auto offset = reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(first);
        if (offset % sizeof(J5PacketObj) != 0) return -1;
        return static_cast<std::ptrdiff_t>(offset / sizeof(J5PacketObj));
    }

    // The class, buffer reference and guard word are as the pool left them.
    bool isIntact(const J5PacketObj& p) const {
        const auto i = static_cast<std::size_t>(indexOf(&p));
        std::uint16_t guard = 0;
        std::memcpy(&guard, expectedBuffer(i) + static_cast<std::size_t>(bufferClass_), kGuardLen);
        return p.bufferClass == static_cast<std::uint16_t>(bufferClass_) && p.buffer == expectedBuffer(i) &&
               guard == guardFor(bufferClass_);
    }

    void withdraw(J5PacketObj& p) {
        p.inPool = kWithdrawn;
        ++withdrawn_;
    }

private:
    std::uint8_t* expectedBuffer(std::size_t i) const { return arena_.get() + i * strideFor(bufferClass_); }

    void writeGuard(std::size_t i) {
        const std::uint16_t guard = guardFor(bufferClass_);
        std::memcpy(expectedBuffer(i) + static_cast<std::size_t>(bufferClass_), &guard, kGuardLen);
    }

    BufferClass bufferClass_;
    std::uint32_t count_;
    std::unique_ptr<J5PacketObj[]> objects_;
    ZeroedBytes arena_;
    std::unique_ptr<void*[]> slots_;
    J5Ring free_{};
    std::uint16_t reserve_ = 0;
    std::size_t withdrawn_ = 0;
};

PoolSizes poolSizesFor(std::uint16_t connections) {
    const std::uint32_t c = connections;
    return PoolSizes{c, 3 * c, 10 * c + 80};
}

std::unique_ptr<PacketPools> PacketPools::create(const PoolSizes& sizes) {
    if (sizes.small > kMaxObjects || sizes.medium > kMaxObjects || sizes.large > kMaxObjects) return nullptr;
    try {
        return std::unique_ptr<PacketPools>(new PacketPools(sizes));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

PacketPools::PacketPools(const PoolSizes& sizes) {
    pools_[0] = std::make_unique<Pool>(BufferClass::Small, sizes.small, this);
    pools_[1] = std::make_unique<Pool>(BufferClass::Medium, sizes.medium, this);
    pools_[2] = std::make_unique<Pool>(BufferClass::Large, sizes.large, this);
}

PacketPools::~PacketPools() = default;

J5PacketObj* PacketPools::takeFrom(Pool& pool, bool forced) {
    const std::uint16_t reserve = pool.reserve();
    // Damaged objects met on the way are withdrawn; each is met at most once.
    while (void* entry = ringTakeWithReserve(pool.freeRing(), reserve, forced)) {
        auto* p = static_cast<J5PacketObj*>(entry);
        if (!pool.isIntact(*p)) {
            pool.withdraw(*p);
            ++counters_.damaged;
            continue;
        }
        prepareForUse(*p);
        return p;
    }
    return nullptr;
}

J5PacketObj* PacketPools::take(std::size_t bytes, bool forced) {
    std::lock_guard guard(lock_);
    Pool& small = *pools_[0];
    Pool& medium = *pools_[1];
    Pool& large = *pools_[2];
    if (bytes > static_cast<std::size_t>(BufferClass::Large) - kRequestOverhead) {
        ++counters_.oversize;
        return nullptr;
    }
    const std::size_t m = bytes + kRequestOverhead;
    J5PacketObj* p = nullptr;
    if (m < static_cast<std::size_t>(BufferClass::Small)) {
        p = takeFrom(small, forced);
        if (!p && (p = takeFrom(medium, forced))) ++counters_.borrowings;
        if (!p && (p = takeFrom(large, forced))) ++counters_.borrowings;
    } else if (m < static_cast<std::size_t>(BufferClass::Medium)) {
        p = takeFrom(medium, forced);
        if (!p && (p = takeFrom(large, forced))) ++counters_.borrowings;
    } else {
        p = takeFrom(large, forced);
    }
    if (!p) ++counters_.exhausted;
    return p;
}

PacketPools::Pool* PacketPools::owningPool(const J5PacketObj* packet) {
    for (auto& pool : pools_) {
        if (pool->indexOf(packet) >= 0) return pool.get();
    }
    return nullptr;
}

GiveBackResult PacketPools::giveBack(J5PacketObj* packet) {
    if (!packet) return GiveBackResult::Null;
    std::lock_guard guard(lock_);
    Pool* pool = owningPool(packet);
    if (!pool) {
        ++counters_.foreign;
        return GiveBackResult::Foreign;
    }
    if (packet->inPool != kLent) {
        ++counters_.repeatedGiveBacks;
        return packet->inPool == kInPool ? GiveBackResult::AlreadyInPool : GiveBackResult::Withdrawn;
    }
    packet->freeAfterSend = 0;
    if (!pool->isIntact(*packet)) {
        pool->withdraw(*packet);
        ++counters_.damaged;
        return GiveBackResult::Withdrawn;
    }
    packet->inPool = kInPool;
    ringPut(pool->freeRing(), packet);
    return GiveBackResult::Returned;
}

GiveBackResult PacketPools::giveBackToOwner(J5PacketObj* packet) {
    if (!packet) return GiveBackResult::Null;
    auto* owner = static_cast<PacketPools*>(packet->poolOwner);
    return owner ? owner->giveBack(packet) : GiveBackResult::Foreign;
}

std::size_t PacketPools::available(BufferClass bufferClass) const {
    std::lock_guard guard(lock_);
    for (const auto& pool : pools_) {
        if (pool->bufferClass() == bufferClass) return pool->available();
    }
    return 0;
}

std::uint16_t PacketPools::reserve(BufferClass bufferClass) const {
    for (const auto& pool : pools_) {
        if (pool->bufferClass() == bufferClass) return pool->reserve();
    }
    return 0;
}

std::size_t PacketPools::outstanding() const {
    std::lock_guard guard(lock_);
    std::size_t lent = 0;
    for (const auto& pool : pools_)
        lent += pool->count() - pool->available() - pool->withdrawn();
    return lent;
}

PoolCounters PacketPools::counters() const {
    std::lock_guard guard(lock_);
    return counters_;
}

} // namespace ralnet
