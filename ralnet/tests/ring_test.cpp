// The ring of pointers: exported functions and the stack's own operations.
#include "pool/ring.h"
#include "ralnet/j5.h"

#include <gtest/gtest.h>

#include <array>

namespace ralnet::test {
namespace {

int gItems[8];

void* item(int i) { return &gItems[i]; }

TEST(Ring, SizeNHoldsNMinusOne) {
    std::array<void*, 4> slots{};
    J5Ring ring;
    J5RingInit(&ring, slots.data(), 4);
    EXPECT_EQ(ring.capacity, 4);
    EXPECT_EQ(ring.size, 4);
    EXPECT_EQ(ring.lastIndex, 3);
    EXPECT_EQ(J5RingGetCurrentSize(&ring), 3);
    EXPECT_EQ(J5RingIsEmpty(&ring), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(J5RingBufPut(&ring, item(i)), 1);
    EXPECT_EQ(J5RingIsFull(&ring), 1);
    EXPECT_EQ(J5RingBufPut(&ring, item(3)), 0);
    EXPECT_EQ(J5RingGetUsedEntryCount(&ring), 3);
}

TEST(Ring, GetGivesOldestFirstAndNullWhenEmpty) {
    std::array<void*, 4> slots{};
    J5Ring ring;
    J5RingInit(&ring, slots.data(), 4);
    void* out = item(7);
    EXPECT_EQ(J5RingBufGet(&ring, &out), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(J5RingBufPut(&ring, nullptr), 0);
    // Run the indexes around the end several times.
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(J5RingBufPut(&ring, item(0)), 1);
        ASSERT_EQ(J5RingBufPut(&ring, item(1)), 1);
        EXPECT_EQ(J5RingGetUsedEntryCount(&ring), 2);
        ASSERT_EQ(J5RingBufGet(&ring, &out), 1);
        EXPECT_EQ(out, item(0));
        EXPECT_EQ(slots[(ring.getIndex + 3) % 4], nullptr) << "taken slot is cleared";
        ASSERT_EQ(J5RingBufGet(&ring, &out), 1);
        EXPECT_EQ(out, item(1));
    }
    EXPECT_EQ(J5RingIsEmpty(&ring), 1);
}

TEST(Ring, UsedCountAcrossTheWrap) {
    std::array<void*, 5> slots{};
    J5Ring ring;
    J5RingInit(&ring, slots.data(), 5);
    for (int i = 0; i < 4; ++i)
        J5RingBufPut(&ring, item(i));
    void* out = nullptr;
    J5RingBufGet(&ring, &out);
    J5RingBufGet(&ring, &out);
    J5RingBufPut(&ring, item(4));
    J5RingBufPut(&ring, item(5)); // put wraps below get
    EXPECT_LT(ring.putIndex, ring.getIndex);
    EXPECT_EQ(J5RingGetUsedEntryCount(&ring), 4);
    EXPECT_EQ(J5RingIsFull(&ring), 1);
}

TEST(Ring, NullAndDamagedRingsAreRefusedSafely) {
    void* out = item(0);
    EXPECT_EQ(J5RingBufPut(nullptr, item(0)), 0);
    EXPECT_EQ(J5RingBufGet(nullptr, &out), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(J5RingIsEmpty(nullptr), 1);
    EXPECT_EQ(J5RingGetUsedEntryCount(nullptr), 0);
    J5RingInit(nullptr, nullptr, 4);

    std::array<void*, 1> one{};
    J5Ring zero;
    J5RingInit(&zero, one.data(), 0); // size 0 has no slot at all
    EXPECT_EQ(J5RingBufPut(&zero, item(0)), 0);
    EXPECT_EQ(one[0], nullptr);

    J5Ring single;
    J5RingInit(&single, one.data(), 1);
    EXPECT_EQ(J5RingBufPut(&single, item(0)), 0);

    std::array<void*, 4> slots{};
    J5Ring damaged;
    J5RingInit(&damaged, slots.data(), 4);
    damaged.putIndex = 40;
    EXPECT_EQ(J5RingBufPut(&damaged, item(0)), 0);
    EXPECT_EQ(J5RingBufGet(&damaged, &out), 0);
}

TEST(Ring, PeekAndTakeWithReserve) {
    std::array<void*, 8> slots{};
    J5Ring ring;
    ringInit(ring, slots.data(), 8);
    EXPECT_EQ(ringPeek(ring), nullptr);
    for (int i = 0; i < 4; ++i)
        ringPut(ring, item(i));
    EXPECT_EQ(ringPeek(ring), item(0));
    EXPECT_EQ(ringUsedEntries(ring), 4);
    EXPECT_EQ(ringTakeWithReserve(ring, 3, false), item(0)); // 4 > 3
    EXPECT_EQ(ringTakeWithReserve(ring, 3, false), nullptr); // 3 is not above 3
    EXPECT_EQ(ringTakeWithReserve(ring, 3, true), item(1));
    EXPECT_EQ(ringUsedEntries(ring), 2);
}

TEST(Ring, ResizeOnlyWhileEmpty) {
    std::array<void*, 51> slots{};
    J5Ring ring;
    ringInit(ring, slots.data(), 51);
    EXPECT_EQ(ringResize(ring, 30), 30);
    EXPECT_EQ(ring.size, 31);
    EXPECT_EQ(ring.capacity, 51);
    EXPECT_EQ(ringResize(ring, 80), 50); // at most the capacity
    EXPECT_EQ(ringResize(ring, 0), 0);
    EXPECT_EQ(ring.size, 51);

    // Indexes left near the end of a large ring must not survive a shrink.
    for (int i = 0; i < 45; ++i) {
        ringPut(ring, item(0));
        ringGet(ring);
    }
    EXPECT_EQ(ringResize(ring, 3), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ringPut(ring, item(i)));
    EXPECT_FALSE(ringPut(ring, item(3)));
    EXPECT_EQ(ringResize(ring, 10), 3) << "not empty: unchanged";
    EXPECT_EQ(ringGet(ring), item(0));
}

} // namespace
} // namespace ralnet::test
