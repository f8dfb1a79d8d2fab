#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "kez/sys/thread.h"
#include "kez/sys/trace.h"

namespace kez::sys {
namespace {

int mainThreadNice() { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid())); }

int callingThreadNice() { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))); }

int niceSeenBy(ThreadPriority priority) {
    int seen = 100;
    Thread thread;
    EXPECT_TRUE(thread.start(
        "prio", [&] { seen = callingThreadNice(); }, priority));
    thread.join();
    return seen;
}

TEST(ThreadPriority, LoweringIsAlwaysGranted) {
    EXPECT_EQ(niceSeenBy(ThreadPriority::BelowNormal), std::min(mainThreadNice() + 2, 19));
    EXPECT_EQ(niceSeenBy(ThreadPriority::Idle), 19);
    EXPECT_EQ(niceSeenBy(ThreadPriority::Normal), mainThreadNice());
}

TEST(ThreadPriority, RaisingIsGrantedToRoot) {
    if (::geteuid() != 0) GTEST_SKIP() << "raising needs CAP_SYS_NICE";
    EXPECT_EQ(niceSeenBy(ThreadPriority::Highest), std::max(mainThreadNice() - 5, -20));
}

// Drops CAP_SYS_NICE from the calling thread (inherited by threads it starts) and forbids raising by limit.
void loseTheRightToRaise() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) std::exit(3);
    data[CAP_TO_INDEX(CAP_SYS_NICE)].effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
    data[CAP_TO_INDEX(CAP_SYS_NICE)].permitted &= ~CAP_TO_MASK(CAP_SYS_NICE);
    if (::syscall(SYS_capset, &header, data) != 0) std::exit(4);
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_NICE, &none) != 0) std::exit(5);
}

void refusedRaisesAreTracedOnceAndStillRun() {
    loseTheRightToRaise();
    std::atomic<int> traced{0};
    setTraceSink([&](std::string_view component, std::string_view) {
        if (component == "thread") ++traced;
    });
    const int before = mainThreadNice();
    for (int round = 0; round < 2; ++round) {
        int seen = 100;
        Thread thread;
        if (!thread.start(
                "raise", [&] { seen = callingThreadNice(); }, ThreadPriority::Highest))
            std::exit(6);
        if (!thread.join()) std::exit(7);
        if (seen != before) std::exit(8);
    }
    setTraceSink({});
    std::exit(traced.load() == 1 ? 0 : 9);
}

TEST(ThreadPriorityDeathTest, ARefusedRaiseIsTracedOnceAndNeverAFailure) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(refusedRaisesAreTracedOnceAndStillRun(), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kez::sys
