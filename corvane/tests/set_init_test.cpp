// The set-initialisation handler against a fake engine: which messages it accepts, what it
// joins and leaves, what it tells the endpoint and the status thread, and in which order.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "corvane/errors.h"

namespace kez::corvane::test {
namespace {

using kez::test::byteArray;
using kez::test::bytesOf;
using Log = std::vector<std::string>;

constexpr std::int16_t kRevision = static_cast<std::int16_t>(kRevisionB3);
const com::Variant kServerMac = byteArray({2, 0, 0, 0, 0, 9});
const com::Variant kOtherMac = byteArray({2, 0, 0, 0, 0, 8});
const com::Variant kServerIp = byteArray({198, 18, 0, 9});
const com::Variant kOtherIp = byteArray({198, 18, 0, 8});

SetInitMessage ethernetInit() {
    SetInitMessage m;
    m.sourceMac = kServerMac;
    m.sourceIp = byteArray({0, 0, 0, 0});
    m.receivedBits = 0x0011;
    m.revision = kRevision;
    m.deviceHandle = 7;
    m.controlBits = 0x0013;
    m.controlTos = 0xB8;
    m.controlTci = 0x0064;
    m.systemStateMac = byteArray({1, 0, 0x5E, 2, 2, 2});
    m.systemStateIp = byteArray({224, 2, 224, 22});
    m.pageMac = byteArray({1, 0, 0x5E, 3, 3, 3});
    m.pageIp = byteArray({0, 0, 0, 0});
    m.statusUpdatePeriod = 30;
    return m;
}

SetInitMessage udpInit() {
    SetInitMessage m = ethernetInit();
    m.sourceIp = kServerIp;
    m.receivedBits = 0x0071;
    m.pageIp = byteArray({224, 2, 224, 23});
    return m;
}

struct SetInitTest : ::testing::Test {
    EngineState state;
    FakeControl fake;
    ControlHandlers handlers{state, fake};

    void configure(const com::Variant& mac, const com::Variant& ip, bool bound) {
        state.with([&](SharedFields& f) {
            f.vuruvMac = mac;
            f.vuruvIp = ip;
            f.bound = bound;
            f.protocolRevision = kRevision;
        });
    }
};

TEST_F(SetInitTest, AcceptsOnlyTheConfiguredOrBoundCallServer) {
    struct Case {
        const char* name;
        bool bound, overUdp, discovering;
        com::Variant vuruvMac, vuruvIp, sourceMac, sourceIp;
        bool accepted;
    };
    const Case cases[] = {
        {"ethernet, configured MAC", false, false, false, kServerMac, {}, kServerMac, {}, true},
        {"ethernet, other MAC", false, false, false, kServerMac, {}, kOtherMac, {}, false},
        {"ethernet, nothing configured", false, false, false, {}, {}, kServerMac, {}, false},
        {"udp, configured IP, any MAC", false, true, false, {}, kServerIp, kOtherMac, kServerIp, true},
        {"udp, other IP", false, true, false, kServerMac, kServerIp, kServerMac, kOtherIp, false},
        {"bound, udp, the bound MAC", true, true, false, kServerMac, {}, kServerMac, kOtherIp, true},
        {"bound, other MAC, configured IP", true, true, false, kServerMac, kServerIp, kOtherMac, kServerIp, false},
        {"discovery running", false, false, true, kServerMac, {}, kServerMac, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineState state;
        FakeControl fake;
        ControlHandlers handlers{state, fake};
        state.with([&](SharedFields& f) {
            f.vuruvMac = c.vuruvMac;
            f.vuruvIp = c.vuruvIp;
            f.bound = c.bound;
            f.protocolRevision = kRevision;
        });
        if (c.discovering) handlers.startDiscovery();
        SetInitMessage m = c.overUdp ? udpInit() : ethernetInit();
        m.sourceMac = c.sourceMac;
        m.sourceIp = c.sourceIp;
        handlers.setInit(m);
        EXPECT_EQ(fake.postedIds(),
                  c.accepted ? std::vector<apt::MessageId>{kMsgInitReceived} : std::vector<apt::MessageId>{});
        EXPECT_EQ(state.snapshot().bound, c.bound || c.accepted);
    }
}

TEST_F(SetInitTest, ARevisionOtherThanTheEnginesIsOneErrorAndChangesNothing) {
    configure(kServerMac, {}, false);
    SetInitMessage m = ethernetInit();
    m.revision = static_cast<std::int16_t>(kRevisionB2);
    handlers.setInit(m);
    EXPECT_EQ(fake.log, Log{"error Invalid Protocol UI State"});
    ASSERT_EQ(fake.posts.size(), 1U);
    EXPECT_EQ(fake.posts[0].w, static_cast<std::uint64_t>(corvaneError(ENGINE_PROTOCOL_ERROR)));
    EXPECT_FALSE(state.snapshot().bound);
    EXPECT_EQ(state.snapshot().deviceHandle, kNoDeviceHandle);
}

TEST_F(SetInitTest, FirstInitOverEthernetBindsJoinsAndReports) {
    configure(kServerMac, {}, false);
    fake.allMulticastProperty = true;
    handlers.setInit(ethernetInit());
    // The zero page IP is no group; the status and report come after the joins.
    EXPECT_EQ(fake.log, (Log{"allMulticast on", "channel mac 2 0 0 0 0 9", "join mac 1 0 94 2 2 2",
                             "join mac 1 0 94 3 3 3", "join ip 224 2 224 22", "status", "report"}));
    EXPECT_EQ(fake.postedIds(), std::vector<apt::MessageId>{kMsgInitReceived});
    const SharedFields f = state.snapshot();
    EXPECT_TRUE(f.bound);
    EXPECT_TRUE(f.initReceived);
    EXPECT_EQ(f.deviceHandle, 7);
    EXPECT_EQ(f.controlBits, 0x0013);
    EXPECT_EQ(f.controlTos, 0xB8);
    EXPECT_EQ(f.controlTci, 0x0064);
    EXPECT_EQ(fake.statusPeriod, 30000);
}

TEST_F(SetInitTest, ReInitLeavesExactlyWhatTheLastOneJoined) {
    configure({}, kServerIp, false);
    handlers.setInit(udpInit());
    fake.log.clear();
    SetInitMessage again = udpInit();
    again.receivedBits = 0x0011; // the call server now reaches the set over Ethernet
    again.systemStateIp = byteArray({});
    handlers.setInit(again);
    EXPECT_EQ(fake.log, (Log{"leave ip 224 2 224 23", "leave ip 224 2 224 22", "join mac 1 0 94 2 2 2",
                             "join mac 1 0 94 3 3 3", "join ip 224 2 224 23", "status", "report"}));
    fake.log.clear();
    handlers.resetRun(); // a fresh Start forgets the groups with the endpoint they were joined on
    state.resetRun();
    handlers.setInit(again);
    EXPECT_EQ(fake.log.front(), "allMulticast off");
}

TEST_F(SetInitTest, AFailingEndpointCallEndsTheHandlingButStillPostsInitReceived) {
    configure(kServerMac, {}, false);
    fake.failing = {"join mac 1 0 94 3 3 3"};
    handlers.setInit(ethernetInit());
    EXPECT_EQ(fake.log.back(), "callee error");
    EXPECT_EQ(fake.postedIds(), (std::vector<apt::MessageId>{kMsgError, kMsgInitReceived}));
    EXPECT_EQ(fake.statusPeriod, 5000);
    // The group that was joined is still left by the next init.
    fake.failing.clear();
    fake.log.clear();
    handlers.setInit(ethernetInit());
    EXPECT_EQ(fake.log.front(), "leave mac 1 0 94 2 2 2");
}

TEST(StatusPeriod, FromTheCallServersValue) {
    const struct {
        std::int16_t value;
        std::int64_t milliseconds;
    } cases[] = {{-1, -1}, {0, -1}, {1, 100}, {2, 2000}, {6553, 6553000}, {6554, 0xFFFF00}, {-2, 0xFFFF00}};
    for (const auto& c : cases)
        EXPECT_EQ(statusPeriodMilliseconds(c.value), c.milliseconds) << c.value;
}

} // namespace
} // namespace kez::corvane::test
