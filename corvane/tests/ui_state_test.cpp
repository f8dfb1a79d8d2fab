// The handlers of a bound call server's messages against a fake engine: acceptance, the UI
// state's five updates in order, LED decoding and mapping, shared-wave devices and commands.
#include <gtest/gtest.h>

#include <functional>

#include "control_test_support.h"
#include "corvane/errors.h"

namespace kez::corvane::test {
namespace {

using kez::test::byteArray;
using Ids = std::vector<apt::MessageId>;
using Log = std::vector<std::string>;

constexpr std::int16_t kRevision = static_cast<std::int16_t>(kRevisionB3);
const com::Variant kServerMac = byteArray({2, 0, 0, 0, 0, 9});
const ControlOrigin kServer{kServerMac, kRevision, 12};
const Ids kFiveUpdates{kMsgLedUpdate, kMsgKeyControlUpdate, kMsgDisplayUpdate, kMsgCallProgressUpdate, kMsgAlertUpdate};

UiStateMessage uiState(ControlOrigin origin = kServer) {
    UiStateMessage m;
    m.origin = std::move(origin);
    m.object = opaqueMessage();
    m.leds = {0x0A, 0x31, 0x00, 0x12, 0x32, 0x10, 0x00, 0x00, 0x00, 0x00};
    m.keyControl = 0x0015;
    m.display = {2, "LINE ONE", "LINE TWO", 1};
    m.tone = 3;
    m.toneMode = 1;
    m.toneDuration = -1;
    m.alertTone = 4;
    m.alertMode = 2;
    m.alertCadence = 5;
    m.alertCycles = 6;
    return m;
}

struct BoundHandlersTest : ::testing::Test {
    EngineState state;
    FakeControl fake;
    ControlHandlers handlers{state, fake};

    void SetUp() override {
        state.with([](SharedFields& f) {
            f.vuruvMac = kServerMac;
            f.bound = true;
            f.protocolRevision = kRevision;
        });
    }
};

TEST_F(BoundHandlersTest, EveryHandlerAcceptsOnlyTheBoundCallServerWithTheEnginesRevision) {
    const std::pair<const char*, std::function<void(ControlHandlers&, const ControlOrigin&)>> handlersByName[] = {
        {"ui state", [](ControlHandlers& h, const ControlOrigin& o) { h.uiState(uiState(o)); }},
        {"led map", [](ControlHandlers& h, const ControlOrigin& o) { h.ledMapping(o, {}); }},
        {"dtmf", [](ControlHandlers& h, const ControlOrigin& o) { h.playDtmf(o, nullptr); }},
        {"command", [](ControlHandlers& h, const ControlOrigin& o) { h.command(o, kCommandStatusNow, 0); }},
    };
    const struct {
        const char* name;
        bool bound;
        ControlOrigin origin;
        std::vector<std::string> log;
        std::int16_t handle;
    } cases[] = {
        {"unbound", false, kServer, {}, kNoDeviceHandle},
        {"another MAC", true, {byteArray({2, 0, 0, 0, 0, 8}), kRevision, 12}, {}, kNoDeviceHandle},
        {"another revision",
         true,
         {kServerMac, static_cast<std::int16_t>(kRevisionB2), 12},
         {"error Invalid Protocol UI State"},
         kNoDeviceHandle},
    };
    for (const auto& [handlerName, handle] : handlersByName) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(handlerName) + ", " + c.name);
            EngineState state;
            FakeControl fake;
            ControlHandlers handlers{state, fake};
            state.with([&](SharedFields& f) {
                f.vuruvMac = kServerMac;
                f.bound = c.bound;
                f.protocolRevision = kRevision;
            });
            handle(handlers, c.origin);
            EXPECT_EQ(fake.log, c.log);
            EXPECT_EQ(fake.posts.size(), c.log.size());
            EXPECT_EQ(state.snapshot().deviceHandle, c.handle);
        }
        SCOPED_TRACE(handlerName);
        EngineState accepted;
        FakeControl fake;
        ControlHandlers handlers{accepted, fake};
        accepted.with([](SharedFields& f) {
            f.vuruvMac = kServerMac;
            f.bound = true;
            f.protocolRevision = kRevision;
        });
        handle(handlers, kServer);
        EXPECT_EQ(accepted.snapshot().deviceHandle, 12);
    }
}

TEST_F(BoundHandlersTest, AUiStateGivesItsFiveUpdatesInOrderWithTheirValues) {
    handlers.uiState(uiState());
    ASSERT_EQ(fake.postedIds(), kFiveUpdates);
    const LedBlock leds = fake.posts[0].payload.take<LedBlock>();
    // Line LEDs 1 to 4 from the third word 0x3210, lowest nibble first.
    EXPECT_EQ(leds, (LedBlock{3, 1, 10, 1, 2, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fake.posts[1].w, 0x0015U);
    const DisplayBlock display = fake.posts[2].payload.take<DisplayBlock>();
    EXPECT_EQ(display.line1, "LINE ONE");
    EXPECT_EQ(display.line2, "LINE TWO");
    EXPECT_EQ(display.todMode, 2);
    EXPECT_EQ(display.deviceIdleStatus, 1);
    EXPECT_EQ(fake.posts[3].payload.take<CallProgressTone>(), (CallProgressTone{3, 1, -1})); // endless duration
    EXPECT_EQ(fake.posts[4].payload.take<AlertSignal>(), (AlertSignal{4, 2, 5, 6}));
}

TEST_F(BoundHandlersTest, UnreadableLedsAreOneErrorInPlaceOfTheLedUpdate) {
    UiStateMessage m = uiState();
    m.ledsRead = com::E_FAIL;
    handlers.uiState(std::move(m));
    EXPECT_EQ(fake.log, Log{"error GetSafeArray Failure"});
    EXPECT_EQ(fake.postedIds(),
              (Ids{kMsgError, kMsgKeyControlUpdate, kMsgDisplayUpdate, kMsgCallProgressUpdate, kMsgAlertUpdate}));
}

TEST_F(BoundHandlersTest, AMessageRefusedForItsRevisionIsNeitherRefreshedNorSentAgain) {
    handlers.uiState(uiState({kServerMac, static_cast<std::int16_t>(kRevisionB2), 12}));
    fake.log.clear();
    fake.posts.clear();
    handlers.ledMapping(kServer, {});
    handlers.command(kServer, kCommandSendAgain, kQualifierUiState);
    EXPECT_TRUE(fake.posts.empty());
    EXPECT_TRUE(fake.log.empty());
}

TEST(LedUnpacking, MappedLineLedsReadTheirSystemStateArray) {
    LedArrays arrays;
    arrays.trunk = std::vector<std::uint8_t>{0x00, 0x00, 0x43, 0x21};
    arrays.telephone = std::vector<std::uint8_t>{0x00, 0x07};
    const struct {
        const char* name;
        MappedLed entry;
        std::int16_t state;
    } cases[] = {
        {"trunk unit 6: bits 4-7 of the second word", {0x0300, 6}, 2},
        {"trunk unit 8: bits 12-15 of the second word", {0x0300, 8}, 4},
        {"telephone unit 1", {0x0200, 1}, 7},
        {"unknown group", {0x0400, 1}, 0},
        {"park array not received", {0x0600, 1}, 0},
        {"unit 0 stays mapped", {0x0300, 0}, kMappedLed},
        {"unit past the array", {0x0300, 9}, 0},
        {"largest unit", {0x0200, 0xFFFF}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LedMap map{};
        map[4] = c.entry; // line LED 5: the low nibble of the fourth word
        const LedBlock block = unpackLeds({0, 0, 0, 0, 0, 0, 0, 0x0F, 0, 0}, map, arrays);
        EXPECT_EQ(block[5 + 4], c.state);
        EXPECT_EQ(block[5 + 5], 0);
    }
}

TEST_F(BoundHandlersTest, NewMapsAndArraysRefreshTheKeptLedsUnlessSharedDevicesAreClosed) {
    handlers.uiState(uiState());
    const struct {
        const char* name;
        bool shareWave, devicesOpen, refreshed;
    } cases[] = {{"own devices", false, false, true},
                 {"shared, open", true, true, true},
                 {"shared, closed", true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.shareWave = c.shareWave;
        fake.devicesOpen = c.devicesOpen;
        fake.posts.clear();
        handlers.ledMapping(kServer, {});
        handlers.refreshLeds();
        EXPECT_EQ(fake.postedIds(), c.refreshed ? (Ids{kMsgLedUpdate, kMsgLedUpdate}) : Ids{});
    }
}

TEST_F(BoundHandlersTest, SharedWaveOpensBothDevicesBeforeTheUpdates) {
    const struct {
        const char* failing;
        Log log;
        Ids posts;
    } cases[] = {
        {"", {"open play", "open record"}, kFiveUpdates},
        {"open play", {"open play", "callee error"}, {kMsgError}},
        {"open record", {"open play", "open record", "error Failed to open sound device for recording."}, {kMsgError}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        fake.shareWave = true;
        fake.failing = {c.failing};
        fake.log.clear();
        fake.posts.clear();
        handlers.uiState(uiState());
        EXPECT_EQ(fake.log, c.log);
        EXPECT_EQ(fake.postedIds(), c.posts);
    }
}

TEST_F(BoundHandlersTest, CommandsResetReportOrSendTheKeptStateAgain) {
    handlers.uiState(uiState());
    const struct {
        std::int16_t command, qualifier;
        Log log;
        Ids posts;
    } cases[] = {
        {kCommandReset, 0, {}, {kMsgResetReceived}},
        {kCommandStatusNow, 0, {"status"}, {}},
        {kCommandSendAgain, kQualifierUiState, {"send again"}, {}},
        {kCommandSendAgain, 0x0203, {}, {}},
        {0x1004, kQualifierUiState, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        fake.log.clear();
        fake.posts.clear();
        handlers.command(kServer, c.command, c.qualifier);
        EXPECT_EQ(fake.log, c.log);
        EXPECT_EQ(fake.postedIds(), c.posts);
    }
    fake.keptCall = opaqueMessage();
    fake.log.clear();
    handlers.command(kServer, kCommandSendAgain, kQualifierCallState);
    EXPECT_EQ(fake.log, Log{"send again"});
}

TEST_F(BoundHandlersTest, APageKeepsTheSetFromRingingAndCallProgressToneZeroWithAModeEndsIt) {
    const struct {
        const char* name;
        bool page;
        std::int16_t tone, toneMode;
        AlertSignal alert;
        Log log;
    } cases[] = {
        {"no page", false, 3, 1, {4, 2, 5, 6}, {}},
        {"a page", true, 3, 1, {4, 0, 5, 6}, {}},
        {"tone 0 with a mode", true, 0, 1, {4, 0, 5, 6}, {"end page"}},
        {"tone 0 without a mode", true, 0, 0, {4, 0, 5, 6}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.pageIsActive = c.page;
        fake.log.clear();
        fake.posts.clear();
        UiStateMessage m = uiState();
        m.tone = c.tone;
        m.toneMode = c.toneMode;
        handlers.uiState(std::move(m));
        ASSERT_EQ(fake.postedIds(), kFiveUpdates);
        EXPECT_EQ(fake.posts[4].payload.take<AlertSignal>(), c.alert);
        EXPECT_EQ(fake.log, c.log);
    }
}

TEST_F(BoundHandlersTest, PlayDtmfHandsTheMessageToTheWindow) {
    const auto message = opaqueMessage();
    handlers.playDtmf(kServer, message);
    ASSERT_EQ(fake.postedIds(), Ids{kMsgPlayDtmfReceived});
    EXPECT_EQ(fake.posts[0].payload.take<com::Ptr<com::Object>>(), message);
}

} // namespace
} // namespace kez::corvane::test
