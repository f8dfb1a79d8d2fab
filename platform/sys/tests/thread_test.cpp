#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kez/sys/event.h"
#include "kez/sys/thread.h"

namespace kez::sys {
namespace {

using namespace std::chrono_literals;

TEST(Thread, RunsTheBodyUnderItsNameAndJoins) {
    Thread thread;
    std::string seenName;
    ASSERT_TRUE(thread.start("Auto IP", [&] {
        char name[16] = {};
        ::pthread_getname_np(::pthread_self(), name, sizeof name);
        seenName = name;
    }));
    EXPECT_EQ(thread.name(), "Auto IP");
    EXPECT_TRUE(thread.join(10s));
    EXPECT_TRUE(thread.finished());
    EXPECT_FALSE(thread.joinable());
    EXPECT_EQ(seenName, "Auto IP");
}

TEST(Thread, LongNamesAreCutToWhatTheSystemShows) {
    Thread thread;
    std::string seenName;
    ASSERT_TRUE(thread.start("a-very-long-thread-name", [&] {
        char name[16] = {};
        ::pthread_getname_np(::pthread_self(), name, sizeof name);
        seenName = name;
    }));
    thread.join();
    EXPECT_EQ(seenName, "a-very-long-thr");
}

TEST(Thread, RefusesASecondStartWhileJoinable) {
    Event release(Event::Reset::Manual);
    Thread thread;
    ASSERT_TRUE(thread.start("first", [&] { release.wait(); }));
    EXPECT_FALSE(thread.start("second", [] {}));
    release.set();
    EXPECT_TRUE(thread.join());
    EXPECT_TRUE(thread.start("again", [] {}));
    EXPECT_TRUE(thread.join());
}

TEST(Thread, NotStartedJoinsAtOnce) {
    Thread thread;
    EXPECT_TRUE(thread.join(0ms));
    EXPECT_FALSE(thread.joinable());
    EXPECT_FALSE(thread.finished());
    EXPECT_EQ(thread.name(), "");
}

TEST(Thread, AnExceptionEndsOnlyTheThread) {
    Thread thread;
    ASSERT_TRUE(thread.start("thrower", [] { throw std::runtime_error("boom"); }));
    EXPECT_TRUE(thread.join(10s));
    EXPECT_TRUE(thread.finished());
}

// What a worker shares with its owner: kept alive by both.
struct Shared {
    Event release{Event::Reset::Manual};
    Event ended{Event::Reset::Manual};
    std::atomic<int> touched{0};
};

TEST(Thread, MissedJoinLimitLeavesItRunningSafelyAfterTheOwnerIsGone) {
    auto shared = std::make_shared<Shared>();
    {
        Thread owner;
        ASSERT_TRUE(owner.start("slow", [shared] {
            shared->release.wait();
            shared->touched.store(1);
            shared->ended.set();
        }));
        EXPECT_FALSE(owner.join(50ms));
        EXPECT_FALSE(owner.joinable()) << "detached after the missed limit";
        EXPECT_FALSE(owner.finished());
    }
    shared->release.set();
    ASSERT_TRUE(shared->ended.wait(10s));
    EXPECT_EQ(shared->touched.load(), 1);
}

TEST(Thread, ALaterJoinStillSeesADetachedThreadEnd) {
    Event release(Event::Reset::Manual);
    Thread thread;
    ASSERT_TRUE(thread.start("late", [&] { release.wait(); }));
    EXPECT_FALSE(thread.join(20ms));
    release.set();
    EXPECT_TRUE(thread.join(10s));
    EXPECT_TRUE(thread.finished());
}

TEST(Thread, AnOwnerReleasedOnItsOwnThreadDoesNotJoinItself) {
    auto owner = std::make_shared<std::optional<Thread>>(std::in_place);
    // Shared with the thread, which may still be inside set() when the test body ends.
    auto handedOver = std::make_shared<Event>(Event::Reset::Manual);
    auto ended = std::make_shared<Event>(Event::Reset::Manual);
    ASSERT_TRUE((*owner)->start("self-release", [owner, handedOver, ended]() mutable {
        handedOver->wait();
        owner->reset(); // the last owner of the Thread goes away on the thread itself
        ended->set();
    }));
    std::weak_ptr<std::optional<Thread>> watch = owner;
    owner.reset();
    handedOver->set();
    ASSERT_TRUE(ended->wait(10s));
    for (int i = 0; i < 1000 && !watch.expired(); ++i)
        std::this_thread::sleep_for(5ms);
}

TEST(Thread, MovedThreadKeepsOwnership) {
    std::atomic<bool> ran{false};
    Thread first;
    ASSERT_TRUE(first.start("moved", [&] { ran = true; }));
    Thread second = std::move(first);
    EXPECT_TRUE(second.join(10s));
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(first.join(0ms));
}

} // namespace
} // namespace kez::sys
