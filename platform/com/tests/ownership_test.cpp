#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kez/com/connection_point.h"
#include "kez/com/ownership.h"

namespace kez::com {
namespace {

class IChildEvents : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A30-7C3E-4F11-9A2B-3C4D5E6F7081}"_guid;
    virtual HRESULT Received(std::int32_t value) = 0;
};

// A child that fires events from its own worker thread until it is closed, like an
// endpoint's audio receive thread.
class Child {
public:
    ConnectionPoint<IChildEvents> events;

    void open() {
        worker_ = std::thread([this] {
            for (std::int32_t i = 0; !closing_.load(); ++i) {
                events.fire([i](IChildEvents& sink) { return sink.Received(i); });
                std::this_thread::yield();
            }
        });
    }
    void close() {
        closing_ = true;
        if (worker_.joinable()) {
            worker_.join();
        }
    }
    ~Child() { close(); }

private:
    std::atomic<bool> closing_{false};
    std::thread worker_; // holds only `this`, never a Ptr to its owner
};

class Owner;

class OwnerSink final : public EventSink<Owner, IChildEvents> {
public:
    using EventSink::EventSink;
    HRESULT Received(std::int32_t value) override;
};

// Owns a child and advises a sink on it that points back without owning.
class Owner {
public:
    explicit Owner(std::atomic<int>& received) : received_(received) {
        child_ = std::make_shared<Child>();
        cookie_ = child_->events.advise(std::make_shared<OwnerSink>(*this));
        child_->open();
    }
    ~Owner() {
        // Unadvise first: afterwards no event can reach this half-destroyed owner.
        child_->events.unadvise(cookie_);
        child_->close();
    }
    void onReceived() { received_.fetch_add(1); }
    std::weak_ptr<Child> child() const { return child_; }

private:
    std::atomic<int>& received_;
    Ptr<Child> child_;
    Cookie cookie_ = kNoCookie;
};

HRESULT OwnerSink::Received(std::int32_t) {
    owner().onReceived();
    return S_OK;
}

TEST(Ownership, ASinkOnAChildMakesNoCycleAndNeverOutlivesItsOwnerInUse) {
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> received{0};
        std::weak_ptr<Child> child;
        {
            auto owner = std::make_shared<Owner>(received);
            child = owner->child();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (received.load() == 0 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
            ASSERT_GT(received.load(), 0);
        }
        EXPECT_TRUE(child.expired()) << "owner -> child -> sink -> owner would leak";
    }
}

} // namespace
} // namespace kez::com
