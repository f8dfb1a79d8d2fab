// The controller (with a recording form) and the real engine, made from the registered servers, against
// the simulated call server (kezsim serve --show, which prints every message a set sends) on the virtual wire:
// the set binds and is taken into service, the keys come on with the set initialisation, the call server's
// display and LEDs show on the form, a key reaches the call server as a key event, and the call server's DTMF is
// played and completed.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "controller_kit.h"
#include "kez/ui/apt_bridge.h"
#include "net_namespace.h"
#include "ombrel/dtmf_list_player.h"
#include "process.h"
#include "scoped_audio_devices.h"
#include "simulated_call_server.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;

// Turns Qt's loop, where the engine's events arrive, for a few milliseconds.
void turn() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

// Turns it until `done` or the limit.
bool turnUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        turn();
        if (done()) return true;
    }
    return false;
}

class ProgramWithTheCallServer : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* server : {CORVANE_LIBRARY, LINKOR_LIBRARY, SONWELL_LIBRARY})
            ASSERT_TRUE(
                kez::test::runCommand({KEZREGSVR_PATH, std::filesystem::weakly_canonical(server).string()}).ok());
        setMachineValue("Communications", "XAVVersion", "3");
        setMachineValue("Communications", "VuruvMac", "02-53-49-4D-00-01");
        auto arguments = kez::test::SimulatedCallServer::serving();
        arguments.insert(arguments.end(), {"--on-ready", onReady_});
        ASSERT_TRUE(server_.start(wire_, kez::test::SimulatedCallServer::kMac, arguments)) << server_.seen();
    }
    bool awaitLine(const std::vector<std::string>& parts) { return server_.awaitLine(parts, 30s); }

    // What the call server sends once the set is in service.
    std::string onReady_ = "dtmf 7 1:100";
    ControllerWorld world_{{}, true};
    const kez::test::ScopedAudioDevices audio_{"virtual:Headset"};
    const std::string wire_ = "vhub:" + kez::test::uniqueName("oc");
    const kez::test::ScopedEnv adapters_{"KEZ_ADAPTERS", wire_ + "@02:00:00:00:00:05"};
    kez::test::SimulatedCallServer server_{turn};
};

TEST_F(ProgramWithTheCallServer, KeysComeOnWithInitAndTheCallServersDisplayLedsAndDigitsReachTheForm) {
    const ui::AptBridge bridge;
    ASSERT_TRUE(world_.start());
    world_.controller().Show();
    EXPECT_FALSE(world_.button(5).enabled());
    EXPECT_TRUE(turnUntil([&] { return world_.button(5).enabled() && world_.form().line2 == "Ext 201"; }))
        << server_.seen();
    const std::string bound = "to " + std::string(kez::test::SimulatedCallServer::kMac);
    EXPECT_TRUE(server_.sawOrAwaitLine({"got StatusMsg", bound, "nDiscoveryState=2"})) << "in service\n"
                                                                                       << server_.seen();
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=5", "nEventInfo1=7"})) << "the digits played\n"
                                                                                 << server_.seen();

    emit world_.form().ButtonDown(kLeftMouseButton, 17);
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=17"})) << server_.seen();
    EXPECT_TRUE(turnUntil([&] { return world_.button(22).lit().value_or(false) && world_.form().line2 == "Dial"; }))
        << "dial tone\n"
        << server_.seen();
    emit world_.form().ButtonDown(kLeftMouseButton, 5);
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=5"})) << server_.seen();
    EXPECT_EQ(world_.boxTexts(), std::vector<std::string>{}) << "dial tone and the digits play";
}

// A list as long as one Ethernet frame carries (700 digits, two minutes of tones).
class ProgramWithALongDtmfList : public ProgramWithTheCallServer {
protected:
    ProgramWithALongDtmfList() {
        onReady_ = "dtmf 8 ";
        for (int digit = 0; digit < 700; ++digit)
            onReady_ += (digit == 0 ? "" : ",") + std::to_string(digit % 12) + ":100";
    }
};

TEST_F(ProgramWithALongDtmfList, TheWindowAnswersKeysWhileItPlaysAndTheSetEndsAtOnce) {
    const ui::AptBridge bridge;
    ASSERT_TRUE(world_.start());
    world_.controller().Show();
    ASSERT_TRUE(awaitLine({"kezsim:", "dtmf 8"})) << server_.seen();
    ASSERT_TRUE(turnUntil([&] { return !world_.controller().dtmfList().idle(); })) << server_.seen();

    // Every turn of the loop while the list plays, the tones included, is short.
    std::chrono::steady_clock::duration longestTurn{};
    for (const auto end = std::chrono::steady_clock::now() + 2s; std::chrono::steady_clock::now() < end;) {
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longestTurn = std::max(longestTurn, std::chrono::steady_clock::now() - start);
    }
    EXPECT_LT(longestTurn, 100ms);
    emit world_.form().ButtonDown(kLeftMouseButton, 17);
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=17"})) << server_.seen();
    EXPECT_EQ(server_.seen().find("nEventID=5"), std::string::npos) << "the key came while the list still played";

    const auto shutdown = std::chrono::steady_clock::now();
    world_.controller().Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - shutdown, 3s);
    EXPECT_TRUE(world_.controller().dtmfList().idle());
    EXPECT_EQ(world_.boxTexts(), std::vector<std::string>{}) << "the engine played every digit it was given";
}

} // namespace
} // namespace kez::ombrel::test
