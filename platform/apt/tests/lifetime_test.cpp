// What happens to messages whose window or thread goes away, and to apartments
// that cannot be set up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "apt_test_support.h"
#include "kez/apt/apartment.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"
#include "kez/sys/trace.h"

namespace kez::apt {
namespace {

using test::Counted;
using test::countedMessage;
using namespace std::chrono_literals;

constexpr MessageId kData = WM_USER + 101;

class AptLifetime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Counted::alive, 0); }
    void TearDown() override { EXPECT_EQ(Counted::alive, 0); }
};

TEST_F(AptLifetime, DeliveredPayloadIsOwnedByTheProcedure) {
    std::unique_ptr<Counted> kept;
    HiddenWindow window("W", [&](Message& m) -> Result {
        kept = m.payload.take<std::unique_ptr<Counted>>();
        return 0;
    });
    ASSERT_TRUE(window.post(countedMessage(kData, 7)));
    EXPECT_EQ(Counted::alive, 1);
    Apartment::current().dispatchPending();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->value, 7);
    EXPECT_EQ(Counted::alive, 1);
    kept.reset();
}

TEST_F(AptLifetime, TakingThePayloadAsAnotherTypeIsReportedAndKeepsIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        std::function<Payload()> make;
        std::string found;
    };
    const Case cases[] = {
        {[] { return Payload::of(std::make_unique<Counted>(1)); }, "holds std::unique_ptr<kez::apt::test::Counted"},
        {[] { return Payload{}; }, "is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.found);
        Payload payload = c.make();
        std::vector<std::string> traced;
        sys::setTraceSink([&](std::string_view, std::string_view text) { traced.emplace_back(text); });
        [[maybe_unused]] int taken = -1;
        EXPECT_DEBUG_DEATH(taken = payload.take<int>(), "taken as the wrong type");
        sys::setTraceSink({});
#ifdef NDEBUG
        EXPECT_EQ(taken, 0);
        ASSERT_EQ(traced.size(), 1u);
        EXPECT_THAT(traced[0], ::testing::StartsWith("message payload " + c.found));
        EXPECT_THAT(traced[0], ::testing::EndsWith(", taken as int"));
        EXPECT_EQ(payload.get<std::unique_ptr<Counted>>() != nullptr, c.found.starts_with("holds"));
#endif
    }
}

TEST_F(AptLifetime, PostToADestroyedWindowFailsAndFreesThePayload) {
    HiddenWindow window("W", [](Message&) -> Result { return 0; });
    const WindowHandle handle = window.handle();
    window.destroy();
    EXPECT_FALSE(window.post(countedMessage(kData, 1)));
    bool posted = true;
    std::thread([&] { posted = handle.post(countedMessage(kData, 2)); }).join();
    EXPECT_FALSE(posted);
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(WindowHandle{}.post(countedMessage(kData, 3)));
    EXPECT_EQ(Counted::alive, 0);
}

TEST_F(AptLifetime, DestroyingAWindowDropsItsQueuedMessagesOnly) {
    std::vector<test::Seen> seen;
    auto doomed = std::make_unique<HiddenWindow>("Doomed", test::recordInto(seen, 'd'));
    HiddenWindow kept("Kept", test::recordInto(seen, 'k'));
    for (int i = 0; i < 3; ++i) {
        doomed->post(countedMessage(kData, i));
        kept.post(countedMessage(kData, 10 + i));
    }
    EXPECT_EQ(Counted::alive, 6);
    doomed.reset();
    EXPECT_EQ(Counted::alive, 3);
    Apartment::current().dispatchPending();
    EXPECT_EQ(seen, (std::vector<test::Seen>{{'k', kData, 10}, {'k', kData, 11}, {'k', kData, 12}}));
}

TEST_F(AptLifetime, AWindowDestroyedByItsOwnProcedureGetsNoMoreMessages) {
    int calls = 0;
    std::unique_ptr<HiddenWindow> window;
    window = std::make_unique<HiddenWindow>("Self", [&, probe = std::make_shared<int>(5)](Message&) -> Result {
        ++calls;
        window.reset(); // the final release of the owner, inside its own procedure
        return *probe;  // the procedure's own state is still intact
    });
    window->post(countedMessage(kData, 1));
    window->post(countedMessage(kData, 2));
    Apartment::current().dispatchPending();
    EXPECT_EQ(calls, 1);
}

TEST_F(AptLifetime, DestroyingFromAnotherThreadWaitsForTheRunningProcedure) {
    sys::Event entered(sys::Event::Reset::Manual);
    sys::Event neverSet(sys::Event::Reset::Manual);
    std::atomic<bool> procedureDone{false};
    HiddenWindow window("Busy", [&](Message&) -> Result {
        entered.set();
        neverSet.wait(50ms); // still running when the other thread destroys the window
        procedureDone = true;
        return 0;
    });
    bool doneWhenDestroyed = false;
    sys::Thread destroyer;
    destroyer.start("destroyer", [&] {
        entered.wait();
        window.destroy();
        doneWhenDestroyed = procedureDone;
    });
    window.post(countedMessage(kData, 1));
    window.post(countedMessage(kData, 2));
    Apartment::current().dispatchPending();
    destroyer.join();
    EXPECT_TRUE(doneWhenDestroyed);
}

TEST_F(AptLifetime, MessagesQueuedWhenTheThreadEndsAreFreedAndLaterPostsFail) {
    WindowHandle handle;
    std::unique_ptr<HiddenWindow> outlives; // a window the thread forgot to destroy
    std::thread([&] {
        outlives = std::make_unique<HiddenWindow>("Orphan", [](Message&) -> Result { return 0; });
        handle = outlives->handle();
        handle.post(countedMessage(kData, 1));
    }).join();
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(handle.alive());
    EXPECT_FALSE(handle.post(countedMessage(kData, 2)));
    EXPECT_FALSE(outlives->setTimer(1, 10ms));
    outlives.reset();
}

// Restores the descriptor limit it lowered.
class DescriptorLimit {
public:
    explicit DescriptorLimit(rlim_t soft) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

private:
    rlimit saved_{};
};

struct Attempt {
    bool created = true;
    int error = 0;
    int fd = 0;
    bool posted = true;
};

// Creates a window on a new thread once `go` is set.
std::thread attemptWindow(sys::Event& go, Attempt& result) {
    return std::thread([&go, &result] {
        go.wait();
        HiddenWindow window("NoFds", [](Message&) -> Result { return 0; });
        result = {window.created(), window.error(), Apartment::current().fd(), window.post(countedMessage(kData, 1))};
    });
}

TEST_F(AptLifetime, AnApartmentWithoutDescriptorsRefusesWindowsWithTheError) {
    sys::Event go(sys::Event::Reset::Manual, true);
    Attempt warmUp;
    // The same code once with descriptors, so the sanitizer runtimes (which need descriptors
    // of their own the first time they meet a type) have seen everything beforehand.
    attemptWindow(go, warmUp).join();
    ASSERT_TRUE(warmUp.created);

    go.reset();
    Attempt starved;
    std::thread attempt = attemptWindow(go, starved);
    {
        // The lowest free descriptor number as the limit: no new descriptor can be made.
        const int probe = ::dup(0);
        ASSERT_GE(probe, 0);
        ::close(probe);
        const DescriptorLimit limit(static_cast<rlim_t>(probe));
        go.set();
        attempt.join();
    }
    EXPECT_FALSE(starved.created);
    EXPECT_EQ(starved.error, EMFILE);
    EXPECT_EQ(starved.fd, -1);
    EXPECT_FALSE(starved.posted);
}

} // namespace
} // namespace kez::apt
