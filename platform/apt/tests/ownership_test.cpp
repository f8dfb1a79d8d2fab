// The pattern every component with worker threads follows: results travel from the
// worker to the creating thread as posted messages, events fire there through the
// connection point, and the last reference may be released on any thread.
#include <gtest/gtest.h>

#include <thread>

#include "apt_test_support.h"
#include "kez/apt/apartment.h"
#include "kez/com/connection_point.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"

namespace kez::apt {
namespace {

using com::operator""_guid;
using test::Counted;
using namespace std::chrono_literals;

class IMeterEvents : public virtual com::Object {
public:
    static constexpr com::Guid iid = "{6B1D2F40-3C52-4E7A-9A18-2F4C0D7E5B11}"_guid;
    virtual com::HRESULT ReadingUpdate(std::int32_t lValue) = 0;
};

// A component whose worker measures and hands each reading to the creating thread.
class Meter {
public:
    static constexpr MessageId kReading = WM_USER + 101;

    Meter() : window_("MeterWindow", [this](Message& m) { return onMessage(m); }) {}
    // The final release may run on any thread but never on the worker: the worker holds
    // no reference to the meter, only a plain `this` that stays valid until it is joined.
    ~Meter() { Stop(); }
    Meter(const Meter&) = delete;
    Meter& operator=(const Meter&) = delete;

    com::HRESULT Start(int readings) {
        const bool started = worker_.start("meter", [this, readings, target = window_.handle()] {
            for (int i = 0; i < readings; ++i) {
                target.post({kReading, 0, 0, Payload::of(std::make_unique<Counted>(i))});
            }
            stop_.wait(); // woken by Stop
        });
        return started ? com::S_OK : com::E_FAIL;
    }

    com::HRESULT Stop() {
        stop_.set();
        worker_.join();
        return com::S_OK;
    }

    com::ConnectionPoint<IMeterEvents>& events() { return events_; }

private:
    Result onMessage(Message& m) {
        if (m.id != kReading) return 0;
        const auto reading = m.payload.take<std::unique_ptr<Counted>>();
        if (reading) events_.fire([&](IMeterEvents& sink) { return sink.ReadingUpdate(reading->value); });
        return 0;
    }

    // Declared in the order they are needed: the worker is joined before the window and
    // the events it reaches are destroyed.
    com::ConnectionPoint<IMeterEvents> events_;
    sys::Event stop_{sys::Event::Reset::Manual};
    HiddenWindow window_;
    sys::Thread worker_;
};

// The meter's owner. Its sink lives in the meter's connection point and points back
// without owning, so owner -> meter -> sink -> owner is no cycle.
class Panel {
public:
    explicit Panel(com::Ptr<Meter> meter)
        : meter_(std::move(meter)), cookie_(meter_->events().advise(std::make_shared<Sink>(*this))) {}
    ~Panel() { meter_->events().unadvise(cookie_); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    std::vector<std::int32_t> readings;
    std::vector<std::thread::id> threads;

private:
    class Sink final : public com::Implements<IMeterEvents> {
    public:
        explicit Sink(Panel& owner) : owner_(owner) {}
        com::HRESULT ReadingUpdate(std::int32_t lValue) override {
            owner_.readings.push_back(lValue);
            owner_.threads.push_back(std::this_thread::get_id());
            return com::S_OK;
        }

    private:
        Panel& owner_;
    };

    com::Ptr<Meter> meter_;
    com::Cookie cookie_;
};

class AptOwnership : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Counted::alive, 0); }
};

TEST_F(AptOwnership, WorkerResultsFireAsEventsOnTheCreatingThreadInOrder) {
    constexpr int kReadings = 200;
    auto meter = std::make_shared<Meter>();
    Panel panel(meter);
    ASSERT_EQ(meter->Start(kReadings), com::S_OK);
    ASSERT_TRUE(Apartment::current().pumpFor(30s, [&] { return panel.readings.size() == kReadings; }));
    EXPECT_EQ(meter->Stop(), com::S_OK);
    for (int i = 0; i < kReadings; ++i)
        EXPECT_EQ(panel.readings[i], i);
    for (const auto& thread : panel.threads)
        EXPECT_EQ(thread, std::this_thread::get_id());
}

TEST_F(AptOwnership, TheLastReferenceReleasedOnAnotherThreadStopsCleanly) {
    auto meter = std::make_shared<Meter>();
    ASSERT_EQ(meter->Start(50), com::S_OK);
    const WindowHandle window = findWindow("MeterWindow");
    ASSERT_TRUE(window.alive());

    sys::Thread releaser;
    releaser.start("releaser", [last = std::move(meter)]() mutable { last.reset(); });
    // A bound only to report a deadlock as a failure instead of hanging the run.
    EXPECT_TRUE(releaser.join(60s));
    EXPECT_FALSE(window.alive());
    // Readings still queued for the destroyed window were freed with it.
    EXPECT_EQ(Counted::alive, 0);
    Apartment::current().dispatchPending();
}

} // namespace
} // namespace kez::apt
