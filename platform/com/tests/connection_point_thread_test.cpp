#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "kez/com/connection_point.h"

namespace kez::com {
namespace {

class IDataEvents : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A20-7C3E-4F11-9A2B-3C4D5E6F7081}"_guid;
    virtual HRESULT DataReady(std::int32_t frame) = 0;
};

class CountingSink final : public Implements<IDataEvents> {
public:
    HRESULT DataReady(std::int32_t) override {
        calls.fetch_add(1, std::memory_order_relaxed);
        return S_OK;
    }
    std::atomic<int> calls{0};
};

TEST(ConnectionPointThreads, EightFiringThreadsWhileAnotherAdvisesAndUnadvises) {
    ConnectionPoint<IDataEvents> point;
    auto steady = std::make_shared<CountingSink>();
    const Cookie steadyCookie = point.advise(steady);
    constexpr int kFirers = 8;
    constexpr int kEventsPerFirer = 2000;
    constexpr int kChurn = 2000;

    std::atomic<int> firersDone{0};
    std::vector<std::thread> firers;
    for (int t = 0; t < kFirers; ++t) {
        firers.emplace_back([&point, &firersDone] {
            for (int i = 0; i < kEventsPerFirer; ++i) {
                point.fire([i](IDataEvents& sink) { return sink.DataReady(i); });
            }
            firersDone.fetch_add(1);
        });
    }
    std::thread churner([&point] {
        for (int i = 0; i < kChurn; ++i) {
            auto transient = std::make_shared<CountingSink>();
            const Cookie cookie = point.advise(transient);
            ASSERT_NE(cookie, kNoCookie);
            ASSERT_EQ(point.unadvise(cookie), S_OK);
            const int before = transient->calls.load();
            // Unadvised: nothing may reach it any more.
            std::this_thread::yield();
            ASSERT_EQ(transient->calls.load(), before);
        }
    });
    for (auto& firer : firers) {
        firer.join();
    }
    churner.join();

    EXPECT_EQ(steady->calls.load(), kFirers * kEventsPerFirer);
    EXPECT_EQ(point.unadvise(steadyCookie), S_OK);
    EXPECT_EQ(point.count(), 0u);
    EXPECT_EQ(firersDone.load(), kFirers);
}

// A sink blocked in its handler on a worker thread: unadvise must wait for it to return.
TEST(ConnectionPointThreads, UnadviseWaitsForACallRunningOnAnotherThread) {
    struct BlockingSink final : Implements<IDataEvents> {
        std::promise<void> entered;
        std::shared_future<void> release;
        std::atomic<bool> returned{false};
        HRESULT DataReady(std::int32_t) override {
            entered.set_value();
            release.wait();
            returned = true;
            return S_OK;
        }
    };
    ConnectionPoint<IDataEvents> point;
    std::promise<void> releaseSink;
    auto sink = std::make_shared<BlockingSink>();
    sink->release = releaseSink.get_future().share();
    auto entered = sink->entered.get_future();
    const Cookie cookie = point.advise(sink);

    std::thread firer([&point] { point.fire([](IDataEvents& events) { return events.DataReady(1); }); });
    entered.wait();
    auto unadvised = std::async(std::launch::async, [&point, cookie] { return point.unadvise(cookie); });
    // Still blocked in the handler: unadvise cannot have returned.
    EXPECT_EQ(unadvised.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    releaseSink.set_value();
    EXPECT_EQ(unadvised.get(), S_OK);
    EXPECT_TRUE(sink->returned.load());
    firer.join();
}

} // namespace
} // namespace kez::com
