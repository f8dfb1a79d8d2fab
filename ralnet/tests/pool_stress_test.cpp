// Eight threads take and give back concurrently; no object may be lost or lent twice.
#include "pool/packet_pools.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace ralnet::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 20000;
constexpr std::size_t kHeldPerThread = 6;

struct Stamp {
    std::uint32_t thread;
    std::uint32_t round;
};

void stamp(J5PacketObj* p, Stamp s) { std::memcpy(p->buffer, &s, sizeof s); }

bool stampIntact(const J5PacketObj* p, Stamp s) {
    Stamp seen{};
    std::memcpy(&seen, p->buffer, sizeof seen);
    return seen.thread == s.thread && seen.round == s.round;
}

TEST(PoolStress, EightThreadsLoseNothing) {
    auto pools = PacketPools::create({40, 60, 120});
    ASSERT_NE(pools, nullptr);
    std::atomic<std::uint64_t> corrupted{0};
    std::atomic<std::uint64_t> taken{0};

    auto worker = [&](std::uint32_t id) {
        std::mt19937 random(id);
        std::uniform_int_distribution<std::size_t> size(0, 1514);
        std::vector<std::pair<J5PacketObj*, Stamp>> held;
        for (std::uint32_t round = 0; round < kRounds; ++round) {
            if (held.size() < kHeldPerThread) {
                if (J5PacketObj* p = pools->take(size(random), round % 7 == 0)) {
                    const Stamp s{id, round};
                    stamp(p, s);
                    held.emplace_back(p, s);
                    taken.fetch_add(1, std::memory_order_relaxed);
                }
            }
            if (!held.empty() && (held.size() == kHeldPerThread || random() % 2)) {
                const std::size_t i = random() % held.size();
                if (!stampIntact(held[i].first, held[i].second)) corrupted.fetch_add(1);
                pools->giveBack(held[i].first);
                held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        for (auto& [p, s] : held) {
            if (!stampIntact(p, s)) corrupted.fetch_add(1);
            pools->giveBack(p);
        }
    };

    std::vector<std::thread> threads;
    for (std::uint32_t id = 0; id < kThreads; ++id)
        threads.emplace_back(worker, id + 1);
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(corrupted.load(), 0u) << "an object was lent to two threads at once";
    EXPECT_GT(taken.load(), 0u);
    EXPECT_EQ(pools->outstanding(), 0u);
    EXPECT_EQ(pools->available(BufferClass::Small), 40u);
    EXPECT_EQ(pools->available(BufferClass::Medium), 60u);
    EXPECT_EQ(pools->available(BufferClass::Large), 120u);
    const PoolCounters counters = pools->counters();
    EXPECT_EQ(counters.repeatedGiveBacks, 0u);
    EXPECT_EQ(counters.damaged, 0u);
    EXPECT_EQ(counters.foreign, 0u);
}

} // namespace
} // namespace ralnet::test
