// Posting and delivery order of one apartment.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <thread>

#include "apt_test_support.h"
#include "kez/apt/apartment.h"
#include "kez/sys/thread.h"

namespace kez::apt {
namespace {

using test::recordInto;
using test::Seen;
using namespace std::chrono_literals;

constexpr MessageId kData = WM_USER + 102;

TEST(AptQueue, OneThreadPostingToTwoWindowsIsDeliveredInPostingOrder) {
    std::vector<Seen> seen;
    HiddenWindow a("A", recordInto(seen, 'a'));
    HiddenWindow b("B", recordInto(seen, 'b'));
    ASSERT_TRUE(a.created() && b.created());
    std::vector<Seen> expected;
    for (int i = 0; i < 6; ++i) {
        HiddenWindow& target = (i % 3 == 0) ? b : a;
        ASSERT_TRUE(target.post({kData, 0, i, {}}));
        expected.push_back({(i % 3 == 0) ? 'b' : 'a', kData, i});
    }
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen, expected);
}

TEST(AptQueue, EightPostingThreadsLoseNothingAndKeepEachThreadsOrder) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 2000;
    std::vector<Seen> seen;
    HiddenWindow a("A", recordInto(seen, 'a'));
    HiddenWindow b("B", recordInto(seen, 'b'));
    const std::array<WindowHandle, 2> targets{a.handle(), b.handle()};

    std::vector<sys::Thread> posters(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        posters[t].start("poster", [&targets, t] {
            for (int i = 0; i < kPerThread; ++i) {
                // l = thread * kPerThread + i; the window alternates with i.
                ASSERT_TRUE(targets[(i + t) % 2].post({kData, 0, t * kPerThread + i, {}}));
            }
        });
    }
    const bool all = Apartment::current().pumpFor(60s, [&] { return seen.size() == kThreads * kPerThread; });
    for (auto& poster : posters)
        poster.join();
    ASSERT_TRUE(all) << seen.size();

    std::map<int, int> nextOf;
    for (const Seen& s : seen) {
        const int thread = static_cast<int>(s.l / kPerThread);
        const int index = static_cast<int>(s.l % kPerThread);
        EXPECT_EQ(index, nextOf[thread]) << "thread " << thread;
        EXPECT_EQ(s.window, (index + thread) % 2 == 0 ? 'a' : 'b');
        nextOf[thread] = index + 1;
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(nextOf[t], kPerThread);
}

TEST(AptQueue, DispatchPendingLeavesMessagesPostedDuringItForTheNextCall) {
    int delivered = 0;
    std::unique_ptr<HiddenWindow> window;
    window = std::make_unique<HiddenWindow>("Echo", [&](Message& m) -> Result {
        ++delivered;
        window->post({m.id, 0, m.l + 1, {}}); // a procedure that always posts again
        return 0;
    });
    window->post({kData, 0, 0, {}});
    Apartment::current().dispatchPending();
    EXPECT_EQ(delivered, 1);
    Apartment::current().dispatchPending();
    EXPECT_EQ(delivered, 2);
}

TEST(AptQueue, SendCallsTheProcedureAtOnceOnlyOnItsOwnThread) {
    std::vector<Seen> seen;
    HiddenWindow window("W", [&](Message& m) -> Result {
        seen.push_back({'w', m.id, m.l});
        return m.l * 2;
    });
    window.post({kData, 0, 1, {}});
    EXPECT_EQ(window.send({kData, 0, 21, {}}), 42);
    EXPECT_EQ(seen, (std::vector<Seen>{{'w', kData, 21}})); // the posted one is still queued

    std::optional<Result> fromElsewhere = 0;
    std::thread([&] { fromElsewhere = window.send({kData, 0, 5, {}}); }).join();
    EXPECT_FALSE(fromElsewhere.has_value());
    window.destroy();
    EXPECT_FALSE(window.send({kData, 0, 5, {}}).has_value());
}

TEST(AptQueue, RunDeliversUntilQuit) {
    std::vector<Seen> seen;
    HiddenWindow window("W", [&](Message& m) -> Result {
        seen.push_back({'w', m.id, m.l});
        if (m.l == 99) Apartment::current().quit();
        return 0;
    });
    sys::Thread poster;
    poster.start("poster", [h = window.handle()] {
        for (int i = 0; i < 100; ++i)
            h.post({kData, 0, i, {}});
        h.post({kData, 0, 1000, {}}); // after the quit: stays queued
    });
    Apartment::current().run();
    poster.join();
    ASSERT_EQ(seen.size(), 100u);
    EXPECT_EQ(seen.back().l, 99);
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen.back().l, 1000);
}

TEST(AptQueue, AThrowingProcedureDoesNotStopLaterMessages) {
    std::vector<Seen> seen;
    HiddenWindow window("W", [&](Message& m) -> Result {
        if (m.l == 1) throw std::runtime_error("bad message");
        seen.push_back({'w', m.id, m.l});
        return 0;
    });
    for (int i = 0; i < 3; ++i)
        window.post({kData, 0, i, {}});
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen, (std::vector<Seen>{{'w', kData, 0}, {'w', kData, 2}}));
}

TEST(AptQueue, FindWindowByTitleIgnoresCaseAndForgetsDestroyedWindows) {
    auto window = std::make_unique<HiddenWindow>("EngineWindow", [](Message&) -> Result { return 0; });
    WindowHandle found;
    std::thread([&] { found = findWindow("enginewindow"); }).join();
    EXPECT_TRUE(found == window->handle());
    EXPECT_TRUE(found.alive());
    EXPECT_FALSE(findWindow("EngineWindow2"));
    window.reset();
    EXPECT_FALSE(findWindow("EngineWindow"));
    EXPECT_FALSE(found.alive());
}

} // namespace
} // namespace kez::apt
