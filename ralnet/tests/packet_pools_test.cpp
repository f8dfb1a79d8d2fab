// The three pools: class choice, borrowing, the reserve, and give-back of bad objects.
#include "kez/sys/tick.h"
#include "pool/packet_pools.h"
#include "ralnet/j5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace ralnet::test {
namespace {

std::unique_ptr<PacketPools> makePools(std::uint32_t small, std::uint32_t medium, std::uint32_t large) {
    auto pools = PacketPools::create({small, medium, large});
    EXPECT_NE(pools, nullptr);
    return pools;
}

// Takes until the class holds exactly `left` objects; returns what was taken.
std::vector<J5PacketObj*> drainTo(PacketPools& pools, BufferClass c, std::size_t left, std::size_t bytes) {
    std::vector<J5PacketObj*> taken;
    while (pools.available(c) > left) {
        J5PacketObj* p = pools.take(bytes, true);
        if (!p) break;
        taken.push_back(p);
    }
    return taken;
}

TEST(PoolSizing, DefaultsAndReserve) {
    const PoolSizes sizes = poolSizesFor(300);
    EXPECT_EQ(sizes.small, 300u);
    EXPECT_EQ(sizes.medium, 900u);
    EXPECT_EQ(sizes.large, 3080u);
    auto pools = PacketPools::create(sizes);
    ASSERT_NE(pools, nullptr);
    EXPECT_EQ(pools->available(BufferClass::Large), 3080u);
    EXPECT_EQ(pools->reserve(BufferClass::Small), 0);
    EXPECT_EQ(pools->reserve(BufferClass::Medium), 300);
    EXPECT_EQ(pools->reserve(BufferClass::Large), 300);

    // A small configuration keeps half of each pool usable.
    auto few = PacketPools::create(poolSizesFor(4)); // 4, 12, 120
    ASSERT_NE(few, nullptr);
    EXPECT_EQ(few->reserve(BufferClass::Medium), 6);
    EXPECT_EQ(few->reserve(BufferClass::Large), 60);
    EXPECT_NE(few->take(372, false), nullptr) << "a receive buffer must be available";

    EXPECT_EQ(PacketPools::create({1, 1, 0xFFFF}), nullptr) << "does not fit a ring";
}

TEST(PoolTake, ClassByRequestSize) {
    auto pools = makePools(4, 4, 4);
    const std::pair<std::size_t, std::uint16_t> table[] = {
        {0, 80}, {75, 80}, {76, 352}, {347, 352}, {348, 1518}, {372, 1518}, {1514, 1518},
    };
    for (const auto& [bytes, bufferClass] : table) {
        J5PacketObj* p = pools->take(bytes, true);
        ASSERT_NE(p, nullptr) << bytes;
        EXPECT_EQ(p->bufferClass, bufferClass) << bytes;
        pools->giveBack(p);
    }
}

TEST(PoolTake, OversizeRequestReturnsNullAndLeavesThePoolsUsable) {
    auto pools = makePools(4, 4, 4);
    EXPECT_EQ(pools->take(1515, true), nullptr);
    EXPECT_EQ(pools->take(static_cast<std::size_t>(-1), true), nullptr);
    EXPECT_EQ(pools->counters().oversize, 2u);
    J5PacketObj* p = pools->take(1514, false);
    ASSERT_NE(p, nullptr);
    pools->giveBack(p);
}

TEST(PoolTake, SmallBorrowsFromMediumThenLargeAboveTheReserve) {
    auto pools = makePools(2, 4, 4); // reserves: medium 2, large 2
    auto smalls = drainTo(*pools, BufferClass::Small, 0, 10);
    ASSERT_EQ(smalls.size(), 2u);
    std::vector<std::uint16_t> classes;
    while (J5PacketObj* p = pools->take(10, false)) {
        classes.push_back(p->bufferClass);
        smalls.push_back(p);
    }
    EXPECT_EQ(classes, (std::vector<std::uint16_t>{352, 352, 1518, 1518}));
    EXPECT_EQ(pools->counters().borrowings, 4u);
    EXPECT_EQ(pools->counters().exhausted, 1u);
    // The reserve still serves a forced request, medium first.
    J5PacketObj* forced = pools->take(10, true);
    ASSERT_NE(forced, nullptr);
    EXPECT_EQ(forced->bufferClass, 352);
    smalls.push_back(forced);
    for (J5PacketObj* p : smalls)
        EXPECT_EQ(pools->giveBack(p), GiveBackResult::Returned);
    EXPECT_EQ(pools->outstanding(), 0u);
}

TEST(PoolTake, MediumRequestFallsBackToLargeThenNeedsForce) {
    auto pools = makePools(1, 602, 604); // reserves 300 and 300
    auto held = drainTo(*pools, BufferClass::Medium, 300, 100);
    EXPECT_EQ(held.size(), 302u);
    J5PacketObj* large = pools->take(100, false);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->bufferClass, 1518);
    held.push_back(large);
    auto moreLarge = drainTo(*pools, BufferClass::Large, 300, 400);
    held.insert(held.end(), moreLarge.begin(), moreLarge.end());
    EXPECT_EQ(pools->take(100, false), nullptr) << "300 left in each: exhausted for ordinary requests";
    J5PacketObj* forced = pools->take(100, true);
    ASSERT_NE(forced, nullptr);
    EXPECT_EQ(forced->bufferClass, 352);
    held.push_back(forced);
    for (J5PacketObj* p : held)
        pools->giveBack(p);
    EXPECT_EQ(pools->available(BufferClass::Medium), 602u);
    EXPECT_EQ(pools->available(BufferClass::Large), 604u);
}

TEST(PoolTake, ClearsWhatThePreviousUseLeft) {
    auto pools = makePools(1, 1, 1);
    kez::sys::TestClock clock(5000);
    J5PacketObj* p = pools->take(10, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->allocationTime, 5000u);
    p->sharedModeWords[1] = 9;
    p->headerRef = p->buffer + 3;
    p->linkDestinationRef = p->buffer;
    p->udpSourceRef = reinterpret_cast<J5UdpSource*>(p->buffer);
    p->pathFlags = 0x13;
    p->freeAfterSend = 1;
    pools->giveBack(p);
    EXPECT_EQ(p->freeAfterSend, 0);
    clock.advance(7);
    J5PacketObj* again = pools->take(10, false);
    ASSERT_EQ(again, p);
    EXPECT_EQ(again->allocationTime, 5007u);
    EXPECT_EQ(again->sharedModeWords[1], 0u);
    EXPECT_EQ(again->headerRef, nullptr);
    EXPECT_EQ(again->linkDestinationRef, nullptr);
    EXPECT_EQ(again->udpSourceRef, nullptr);
    EXPECT_EQ(again->pathFlags, 0);
    pools->giveBack(again);
}

TEST(PoolGiveBack, SecondGiveBackIsIgnoredAndCounted) {
    auto pools = makePools(2, 1, 1);
    J5PacketObj* a = pools->take(10, false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(pools->giveBack(a), GiveBackResult::Returned);
    EXPECT_EQ(pools->giveBack(a), GiveBackResult::AlreadyInPool);
    EXPECT_EQ(pools->counters().repeatedGiveBacks, 1u);
    // The object is handed out once, not twice.
    std::set<J5PacketObj*> seen;
    while (J5PacketObj* p = pools->take(10, true))
        EXPECT_TRUE(seen.insert(p).second);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(PoolGiveBack, DamagedGuardWithdrawsTheObject) {
    auto pools = makePools(2, 1, 1);
    J5PacketObj* p = pools->take(10, false);
    ASSERT_NE(p, nullptr);
    std::memset(p->buffer, 0x55, p->bufferClass + 1); // one byte over the end
    EXPECT_EQ(pools->giveBack(p), GiveBackResult::Withdrawn);
    EXPECT_EQ(pools->giveBack(p), GiveBackResult::Withdrawn);
    EXPECT_EQ(pools->counters().damaged, 1u);
    EXPECT_EQ(pools->counters().repeatedGiveBacks, 1u);
    EXPECT_EQ(pools->available(BufferClass::Small), 1u);
    for (int i = 0; i < 3; ++i) {
        J5PacketObj* q = pools->take(10, false);
        ASSERT_NE(q, nullptr);
        EXPECT_NE(q, p);
        pools->giveBack(q);
    }
}

TEST(PoolGiveBack, DamageWhileInThePoolIsFoundAtTake) {
    auto pools = makePools(1, 1, 1);
    J5PacketObj* p = pools->take(10, false);
    ASSERT_NE(p, nullptr);
    std::uint8_t* buffer = p->buffer;
    pools->giveBack(p);
    buffer[80] ^= 0xFF; // a late writer through a stale reference
    J5PacketObj* q = pools->take(10, false);
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q, p);
    EXPECT_EQ(q->bufferClass, 352) << "the damaged small object is not handed out";
    EXPECT_EQ(pools->counters().damaged, 1u);
    pools->giveBack(q);
}

TEST(PoolGiveBack, DamagedClassOrBufferReferenceWithdraws) {
    auto pools = makePools(2, 1, 1);
    J5PacketObj* a = pools->take(10, false);
    J5PacketObj* b = pools->take(10, false);
    ASSERT_TRUE(a && b);
    a->bufferClass = 1518;
    b->buffer += 1;
    EXPECT_EQ(pools->giveBack(a), GiveBackResult::Withdrawn);
    EXPECT_EQ(pools->giveBack(b), GiveBackResult::Withdrawn);
    EXPECT_EQ(pools->counters().damaged, 2u);
    EXPECT_EQ(pools->available(BufferClass::Large), 1u);
}

TEST(PoolGiveBack, ForeignObjectsAreRefused) {
    auto pools = makePools(1, 1, 1);
    auto others = makePools(1, 1, 1);
    J5PacketObj* theirs = others->take(10, false);
    EXPECT_EQ(pools->giveBack(theirs), GiveBackResult::Foreign);
    J5PacketObj local{};
    EXPECT_EQ(pools->giveBack(&local), GiveBackResult::Foreign);
    EXPECT_EQ(pools->giveBack(nullptr), GiveBackResult::Null);
    EXPECT_EQ(pools->counters().foreign, 2u);
    EXPECT_EQ(PacketPools::giveBackToOwner(theirs), GiveBackResult::Returned);
}

TEST(FreePacketObj, GivesBackByTheObjectsOwnPoolWhateverTheContext) {
    auto pools = makePools(1, 1, 1);
    J5NetIf unrelated{};
    J5PacketObj* p = pools->take(10, false);
    J5PacketObj* q = pools->take(100, false);
    ASSERT_TRUE(p && q);
    EXPECT_EQ(pools->outstanding(), 2u);
    J5FreePacketObj(nullptr, p);
    J5FreePacketObj(&unrelated, q);
    J5FreePacketObj(nullptr, nullptr);
    J5FreePacketObj(nullptr, p);
    EXPECT_EQ(pools->outstanding(), 0u);
    EXPECT_EQ(pools->counters().repeatedGiveBacks, 1u);
}

} // namespace
} // namespace ralnet::test
