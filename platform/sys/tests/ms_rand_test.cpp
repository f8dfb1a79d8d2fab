#include <gtest/gtest.h>

#include <array>

#include "kez/sys/ms_rand.h"

namespace kez::sys {
namespace {

// The C run-time's published sequence for the default seed 1.
constexpr std::array<int, 10> kSeedOne{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};

TEST(MsRand, GivesTheKnownSequenceForSeedOne) {
    MsRand generator;
    for (const int expected : kSeedOne)
        EXPECT_EQ(generator.next(), expected);
}

TEST(MsRand, ReseedingRestartsTheSequence) {
    MsRand generator(99);
    generator.next();
    generator.seed(1);
    EXPECT_EQ(generator.next(), kSeedOne[0]);
    EXPECT_EQ(generator.next(), kSeedOne[1]);
}

} // namespace
} // namespace kez::sys
