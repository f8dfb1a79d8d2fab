#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "kez/sys/semaphore.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;

TEST(Semaphore, CountsReleasesAndWaits) {
    Semaphore units(1, 5);
    long previous = -1;
    EXPECT_TRUE(units.release(2, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(units.count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(units.wait(0ms));
    EXPECT_FALSE(units.wait(20ms));
    EXPECT_EQ(units.count(), 0);
}

TEST(Semaphore, NeverPassesItsMaximum) {
    Semaphore units(4, 5);
    long previous = -1;
    EXPECT_FALSE(units.release(2, &previous));
    EXPECT_EQ(previous, -1) << "a refused release reports nothing";
    EXPECT_EQ(units.count(), 4);
    EXPECT_TRUE(units.release(1));
    EXPECT_FALSE(units.release(1));
    EXPECT_FALSE(units.release(0));
    EXPECT_FALSE(units.release(-1));
    EXPECT_EQ(units.count(), 5);
    int taken = 0;
    while (units.wait(0ms))
        ++taken;
    EXPECT_EQ(taken, 5);
}

TEST(Semaphore, RejectsImpossibleCounts) {
    EXPECT_THROW(Semaphore(3, 2), std::invalid_argument);
    EXPECT_THROW(Semaphore(-1, 2), std::invalid_argument);
    EXPECT_THROW(Semaphore(0, 0), std::invalid_argument);
}

TEST(Semaphore, ConcurrentTakersGetEachUnitOnce) {
    constexpr int kUnits = 200;
    constexpr int kTakers = 4;
    Semaphore units(0, kUnits);
    std::atomic<int> taken{0};
    std::vector<std::jthread> takers;
    for (int i = 0; i < kTakers; ++i) {
        takers.emplace_back([&] {
            while (units.wait(200ms))
                ++taken;
        });
    }
    for (int i = 0; i < kUnits; ++i)
        ASSERT_TRUE(units.release(1));
    takers.clear();
    EXPECT_EQ(taken.load(), kUnits);
    EXPECT_EQ(units.count(), 0);
}

} // namespace
} // namespace kez::sys
