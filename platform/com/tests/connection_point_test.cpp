#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "kez/com/connection_point_container.h"

namespace kez::com {
namespace {

class ITestEvents : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A10-7C3E-4F11-9A2B-3C4D5E6F7081}"_guid;
    virtual HRESULT Ring(std::int16_t nTone) = 0;
};

class RecordingSink final : public Implements<ITestEvents> {
public:
    RecordingSink(std::string name, std::vector<std::string>& log, HRESULT result = S_OK, bool throws = false)
        : name_(std::move(name)), log_(log), result_(result), throws_(throws) {}
    HRESULT Ring(std::int16_t nTone) override {
        log_.push_back(name_ + std::to_string(nTone));
        if (throws_) {
            throw std::runtime_error("sink fault");
        }
        return result_;
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
    HRESULT result_;
    bool throws_;
};

struct ConnectionPointTest : ::testing::Test {
    Ptr<ITestEvents> sink(std::string name, HRESULT result = S_OK, bool throws = false) {
        return std::make_shared<RecordingSink>(std::move(name), log, result, throws);
    }
    void ring(std::int16_t tone) {
        point.fire([tone](ITestEvents& events) { return events.Ring(tone); });
    }
    ConnectionPoint<ITestEvents> point;
    std::vector<std::string> log;
};

TEST_F(ConnectionPointTest, CookiesAreSlotNumbersAndFiringFollowsSlotOrder) {
    EXPECT_EQ(point.advise(sink("a")), 1u);
    EXPECT_EQ(point.advise(sink("b")), 2u);
    EXPECT_EQ(point.advise(sink("c")), 3u);
    ring(7);
    EXPECT_EQ(log, (std::vector<std::string>{"a7", "b7", "c7"}));
    EXPECT_EQ(point.count(), 3u);
}

TEST_F(ConnectionPointTest, UnadviseEmptiesTheSlotAndTheLowestFreeSlotIsReused) {
    point.advise(sink("a"));
    point.advise(sink("b"));
    point.advise(sink("c"));
    EXPECT_EQ(point.unadvise(2), S_OK);
    EXPECT_EQ(point.unadvise(1), S_OK);
    ring(1);
    EXPECT_EQ(log, (std::vector<std::string>{"c1"}));
    EXPECT_EQ(point.advise(sink("d")), 1u);
    EXPECT_EQ(point.advise(sink("e")), 2u);
    EXPECT_EQ(point.advise(sink("f")), 4u);
    log.clear();
    ring(2);
    EXPECT_EQ(log, (std::vector<std::string>{"d2", "e2", "c2", "f2"}));
}

class IOtherEvents : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A10-7C3E-4F11-9A2B-3C4D5E6F7082}"_guid;
};

class OtherSink final : public Implements<IOtherEvents> {};

TEST_F(ConnectionPointTest, AContainerWithOneEventsInterfaceRefusesOthersAndSinksWithoutIt) {
    const Guid otherIid = IOtherEvents::iid;
    const struct {
        Guid eventsIid;
        Ptr<Object> sink;
        HRESULT advised;
        Cookie cookie;
    } rows[] = {{ITestEvents::iid, sink("a"), S_OK, 1},
                {otherIid, sink("b"), CONNECT_E_NOCONNECTION, kNoCookie},
                {ITestEvents::iid, std::make_shared<OtherSink>(), CONNECT_E_CANNOTCONNECT, kNoCookie},
                {ITestEvents::iid, nullptr, CONNECT_E_CANNOTCONNECT, kNoCookie}};
    for (const auto& row : rows) {
        Cookie cookie = 99;
        EXPECT_EQ(adviseOnly(point, row.eventsIid, row.sink, cookie), row.advised);
        EXPECT_EQ(cookie, row.cookie);
    }
    EXPECT_EQ(point.count(), 1u);
    EXPECT_EQ(unadviseOnly(point, otherIid, 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(unadviseOnly(point, ITestEvents::iid, 1), S_OK);
    EXPECT_EQ(point.count(), 0u);
}

TEST_F(ConnectionPointTest, UnknownCookiesAreRefused) {
    EXPECT_EQ(point.unadvise(1), CONNECT_E_NOCONNECTION);
    const Cookie cookie = point.advise(sink("a"));
    EXPECT_EQ(point.unadvise(kNoCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.unadvise(cookie), S_OK);
    EXPECT_EQ(point.unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.advise(nullptr), kNoCookie);
    EXPECT_EQ(point.count(), 0u);
}

TEST_F(ConnectionPointTest, AFailingOrThrowingSinkNeverStopsTheOthers) {
    point.advise(sink("a", E_FAIL));
    point.advise(sink("b", S_OK, true));
    point.advise(sink("c"));
    ring(3);
    EXPECT_EQ(log, (std::vector<std::string>{"a3", "b3", "c3"}));
}

TEST_F(ConnectionPointTest, ASinkMayUnadviseItselfAndLaterSinksWhileHandlingAnEvent) {
    struct Unadviser final : Implements<ITestEvents> {
        ConnectionPoint<ITestEvents>* point = nullptr;
        std::vector<Cookie> cookies;
        HRESULT Ring(std::int16_t) override {
            for (const Cookie cookie : cookies) {
                point->unadvise(cookie);
            }
            return S_OK;
        }
    };
    auto unadviser = std::make_shared<Unadviser>();
    unadviser->point = &point;
    const Cookie own = point.advise(unadviser);
    const Cookie later = point.advise(sink("later"));
    unadviser->cookies = {own, later};
    ring(4);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(point.count(), 0u);
}

TEST_F(ConnectionPointTest, TheListHoldsASinkUntilUnadvised) {
    auto held = sink("a");
    const std::weak_ptr<ITestEvents> watch = held;
    const Cookie cookie = point.advise(std::move(held));
    EXPECT_FALSE(watch.expired());
    point.unadvise(cookie);
    EXPECT_TRUE(watch.expired());
}

} // namespace
} // namespace kez::com
