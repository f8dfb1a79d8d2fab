// Call-server discovery: the handler's list against a fake engine, and StartAutoDiscover /
// StopAutoDiscover on the engine with its endpoint doubled.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "engine_fixture.h"

namespace kez::corvane::test {
namespace {

using kez::test::byteArray;

TEST(DiscoveryList, ReportsEachCallServerOnceUpToTwentyWithItsIpOnlyOverUdp) {
    EngineState state;
    FakeControl fake;
    ControlHandlers handlers{state, fake};
    const com::Variant ip = byteArray({198, 18, 0, 7});
    EXPECT_FALSE(handlers.discover(byteArray({2, 0, 0, 0, 0, 1}), ip, true));
    handlers.startDiscovery();
    for (std::uint8_t i = 0; i < 21; ++i) {
        EXPECT_TRUE(handlers.discover(byteArray({2, 0, 0, 0, 0, i}), ip, i % 2 == 1));
        EXPECT_TRUE(handlers.discover(byteArray({2, 0, 0, 0, 0, i}), ip, i % 2 == 1)); // heard again
    }
    ASSERT_EQ(fake.posts.size(), kMostDiscovered);
    for (std::uint8_t i = 0; i < kMostDiscovered; ++i) {
        const auto server = fake.posts[i].payload.take<DiscoveredServer>();
        EXPECT_EQ(server.mac, (std::vector<std::uint8_t>{2, 0, 0, 0, 0, i}));
        EXPECT_EQ(server.ip.has_value(), i % 2 == 1);
    }
    handlers.startDiscovery(); // a new discovery reports them again
    handlers.discover(byteArray({2, 0, 0, 0, 0, 1}), ip, false);
    EXPECT_EQ(fake.posts.size(), kMostDiscovered + 1);
}

TEST_F(EngineTest, DiscoveryListensOnTheGroupAndReportsWithoutBinding) {
    engine_->put_varVuruvMac(byteArray({2, 0, 0, 0, 0, 9}));
    ASSERT_EQ(engine_->StartAutoDiscover(), com::S_OK);
    const auto calls = doubles_.log.callsStartingWith("EndPoint.");
    EXPECT_EQ(calls.back(), "EndPoint.AddMulticastIP e002e016");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "EndPoint.Open"), calls.end());
    hearSystemState({2, 0, 0, 0, 0, 9});
    pump();
    ASSERT_EQ(events_->lines().size(), 1U);
    EXPECT_TRUE(events_->lines()[0].starts_with("XAVDiscovered 02000000000")) << events_->lines()[0];
    EXPECT_TRUE(doubles_.log.callsStartingWith("EndPoint.SetChannelParameters").empty()); // not bound
    EXPECT_TRUE(sentOfType(0x0013).empty()); // no status: the engine is not started
}

TEST_F(EngineTest, DiscoveryNeverAdvisesOrOpensAnEndpointTwiceAndStaysOutOfARunningEngine) {
    ASSERT_EQ(engine_->StartAutoDiscover(), com::S_OK);
    ASSERT_EQ(engine_->StartAutoDiscover(), com::S_OK);
    EXPECT_EQ(doubles_.endPoint()->sinks(), 1U);
    EXPECT_EQ(doubles_.log.callsStartingWith("EndPoint.Close").size(), 1U);
    startShared();
    EXPECT_EQ(doubles_.endPoint()->sinks(), 1U);
    EXPECT_EQ(doubles_.log.callsStartingWith("EndPoint.Close").size(), 2U);
    EXPECT_EQ(engine_->StartAutoDiscover(), com::E_UNEXPECTED);
    EXPECT_EQ(engine_->StopAutoDiscover(), com::S_OK);
    EXPECT_EQ(doubles_.endPoint()->sinks(), 1U); // the running engine keeps its endpoint
    ASSERT_EQ(engine_->Stop(), com::S_OK);
    EXPECT_EQ(engine_->StopAutoDiscover(), com::S_OK);
}

} // namespace
} // namespace kez::corvane::test
