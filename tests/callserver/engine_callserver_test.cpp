// The engine with the real Linkor and Ralnet (wave objects doubled) against the simulated call
// server (kezsim serve --show, which prints every message a set sends): status to the unbound
// destination, blind binding, binding to the configured call server, a key press arriving as
// KzSetEvent 3, and the switch to IP transport when no call server answers on Ethernet (status then
// goes by UDP, and the set initialisation over UDP binds the set: keys follow by UDP, and the
// call server's UI states arrive as the five updates in order, and the dial tone they ask for,
// played as the owner plays it, is heard on a virtual speaker). On the
// cross-process virtual wire (any user) and on veth between two namespaces (root). The engine's
// periods run ten times faster.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "callserver_fixture.h"
#include "eventually.h"
#include "kez/com/class_registry.h"
#include "real_sonwell.h"
#include "scoped_audio_devices.h"
#include "scoped_registry.h"
#include "signal_analysis.h"

namespace kez::test {
namespace {

using corvane::IEngine;
using corvane::test::byteArray;

// The wave objects doubled, unless a test puts the real ones in their place.
class EngineAgainstCallServer : public CallServerTest {
protected:
    corvane::test::Doubles waves_{true};
};

class EngineAgainstCallServerOnVeth : public CallServerOnVethTest {
protected:
    corvane::test::Doubles waves_{true};
};

TEST_F(EngineAgainstCallServer, OnTheVirtualWireBindsBlindlyAndSendsKeys) {
    const std::string wire = kez::test::uniqueName("ce");
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", "vhub:" + wire + "@02:00:00:00:00:05");
    startServer({}, "vhub:" + wire);
    withEngine([](IEngine&) {},
               [&](IEngine& engine) {
                   expectBlindBind();
                   pressKey(engine, 7);
               });
}

TEST_F(EngineAgainstCallServerOnVeth, BindsBlindlyByEthernet) {
    startServer(serverSpace_.exec({}), "eth:" + pair_->secondName());
    inSetSpace([](IEngine&) {},
               [&](IEngine& engine) {
                   expectBlindBind();
                   pressKey(engine, 11);
               });
}

TEST_F(EngineAgainstCallServerOnVeth, SendsToTheConfiguredCallServer) {
    startServer(serverSpace_.exec({}), "eth:" + pair_->secondName());
    inSetSpace([&](IEngine& engine) { engine.put_varVuruvMac(byteArray(serverMac_)); },
               [&](IEngine& engine) {
                   EXPECT_TRUE(awaitLine({"got StatusMsg", "to " + macText(serverMac_), "by eth"})) << seen();
                   pressKey(engine, 0);
               });
}

TEST_F(EngineAgainstCallServerOnVeth, SwitchesToIpWhenNoCallServerAnswersOnEthernet) {
    startServer(serverSpace_.exec({}), "udp:198.18.0.2");
    inSetSpace(
        [&](IEngine& engine) {
            engine.put_varVuruvIP(byteArray({198, 18, 0, 2}));
            engine.put_varLocalIP(byteArray({198, 18, 0, 1}));
        },
        [&](IEngine& engine) {
            EXPECT_TRUE(awaitLine({"got StatusMsg", "by udp", "nDeviceLocation=2"})) << seen();
            kez::com::VariantBool forced = 0;
            engine.get_bForceLevel3(forced);
            EXPECT_EQ(forced, kez::com::VARIANT_TRUE);
        });
}

// The owner plays each call-progress tone the engine reports, as the controller does.
void playTonesAsTheOwner(IEngine& engine, kez::corvane::test::EventRecorder& events, std::int32_t& stream) {
    events.onCallProgress = [&engine, &stream](std::int16_t tone, std::int16_t mode, std::int16_t duration) {
        if (stream != 0) engine.KillWaveStream(std::exchange(stream, 0));
        if (mode >= 1 && tone != 255) {
            EXPECT_EQ(engine.PlayCallProgTone(tone, duration, 50, kez::com::toVariantBool(mode == 1), stream),
                      kez::com::S_OK);
        }
    };
}

// True once a half second the speaker plays holds each pitch far above 1000 Hz. A mixer running
// late on a loaded machine plays its buffers short, and so higher, until it has caught up.
bool heardAt(const kez::audio::VirtualDevice& speaker, const std::vector<double>& pitches) {
    for (int window = 0; window < 10; ++window) {
        const std::size_t end = speaker.played().size() + 8000;
        if (!kez::test::eventually([&] { return speaker.played().size() >= end; })) return false;
        const auto bytes = speaker.played();
        std::vector<std::int16_t> heard;
        for (std::size_t i = end - 8000; i + 1 < end; i += 2)
            heard.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        if (std::all_of(pitches.begin(), pitches.end(), [&](double pitch) {
                return kez::test::GoertzelPower(heard, pitch) > 100 * kez::test::GoertzelPower(heard, 1000);
            }))
            return true;
    }
    return false;
}

TEST_F(EngineAgainstCallServerOnVeth, BindsOverUdpOnTheSetInitialisation) {
    const kez::test::ScopedAudioDevices devices("virtual:Speaker");
    const kez::corvane::test::RealSonwell sonwell;
    startServer(serverSpace_.exec({}), "udp:198.18.0.2");
    const auto events = std::make_shared<kez::corvane::test::EventRecorder>();
    std::int32_t tone = 0;
    inSetSpace(
        [&](IEngine& engine) {
            kez::com::Ptr<kez::com::Object> object;
            ASSERT_EQ(engine.queryInterface(kez::com::IConnectionPointContainer::iid, object), kez::com::S_OK);
            auto container = kez::com::query<kez::com::IConnectionPointContainer>(object);
            kez::com::Cookie cookie = kez::com::kNoCookie;
            ASSERT_EQ(container->Advise(kez::corvane::kIidIEngineEvents, events, cookie), kez::com::S_OK);
            engine.put_varVuruvIP(byteArray({198, 18, 0, 2}));
            engine.put_varLocalIP(byteArray({198, 18, 0, 1}));
        },
        [&](IEngine& engine) {
            playTonesAsTheOwner(engine, *events, tone);
            // The set answers the initialisation at once, still in layer-3 mode after the switch: an
            // initialised status and its IP report, in either order (the status comes from its own thread).
            EXPECT_TRUE(awaitLine({"got StatusMsg", "by udp", "nDiscoveryState=2", "nDeviceLocation=2"})) << seen();
            EXPECT_TRUE(sawOrAwaitLine({"got ReportIPInfoMsg", "by udp"})) << seen();
            // The call server shows the idle set, and dial tone when hands-free is pressed.
            const auto idle = awaitEvents(*events, 6, 10s, true);
            ASSERT_EQ(idle.size(), 6U) << ::testing::PrintToString(idle);
            EXPECT_EQ(idle[0], "InitReceived");
            EXPECT_TRUE(idle[1].starts_with("LEDUpdate 0 0 0 0 0")) << idle[1];
            EXPECT_TRUE(idle[2].starts_with("KeyControlUpdate")) << idle[2];
            EXPECT_EQ(idle[3], "DisplayUpdate 2 [] [Ext 201] 0");
            EXPECT_TRUE(idle[4].starts_with("CallProgressUpdate")) << idle[4];
            EXPECT_TRUE(idle[5].starts_with("AlertUpdate")) << idle[5];
            pressKey(engine, 17, "udp");
            const auto dialing = awaitEvents(*events, 11, 10s, true);
            ASSERT_EQ(dialing.size(), 11U) << ::testing::PrintToString(dialing);
            EXPECT_EQ(std::vector<std::string>(dialing.begin() + 8, dialing.end()),
                      (std::vector<std::string>{"DisplayUpdate 2 [] [Dial] 0", "CallProgressUpdate 0 1 -1",
                                                "AlertUpdate 2 0 0 255"}));
            EXPECT_TRUE(dialing[6].starts_with("LEDUpdate 0 3 3 0 0 from 1: 3 0")) << dialing[6];
            EXPECT_TRUE(heardAt(*kez::audio::virtualDevice("Speaker"), {350, 440})) << "dial tone";
            events->onCallProgress = nullptr;
        });
}

TEST_F(EngineAgainstCallServerOnVeth, LedMapDtmfAndCommandsFromTheBoundCallServer) {
    startServer(serverSpace_.exec({}), "eth:" + pair_->secondName(),
                {"serve", "--show", "--on-ready", "led-map 0x0300:6", "--on-ready", "dtmf 7 1:100,2:120", "--on-ready",
                 "command 0x1003 0x0202", "--on-ready", "command 0x1001 0"});
    const auto events = std::make_shared<kez::corvane::test::EventRecorder>();
    inSetSpace(
        [&](IEngine& engine) {
            kez::com::Ptr<kez::com::Object> object;
            ASSERT_EQ(engine.queryInterface(kez::com::IConnectionPointContainer::iid, object), kez::com::S_OK);
            auto container = kez::com::query<kez::com::IConnectionPointContainer>(object);
            kez::com::Cookie cookie = kez::com::kNoCookie;
            ASSERT_EQ(container->Advise(kez::corvane::kIidIEngineEvents, events, cookie), kez::com::S_OK);
            engine.put_varVuruvMac(byteArray(serverMac_));
        },
        [&](IEngine& engine) {
            // The set sends the kept UI state back to the call server when asked.
            EXPECT_TRUE(awaitLine({"got UIStateControlMsg", "from", "by eth"})) << seen();
            const auto fired = awaitEvents(*events, 1000, 2s); // all that fire within 2 s
            std::vector<std::string> kinds;
            for (const auto& line : fired)
                kinds.push_back(line.substr(0, line.find(' ')));
            const std::vector<std::string> ui{"LEDUpdate", "KeyControlUpdate", "DisplayUpdate", "CallProgressUpdate",
                                              "AlertUpdate"};
            EXPECT_NE(std::search(kinds.begin(), kinds.end(), ui.begin(), ui.end()), kinds.end()) << seen();
            const auto dtmf = std::find(fired.begin(), fired.end(), "PlayDTMFReceived 7 01000200 64007800");
            EXPECT_NE(dtmf, fired.end()) << ::testing::PrintToString(fired);
            EXPECT_NE(std::find(dtmf, fired.end(), "ResetReceived"), fired.end());
            ASSERT_EQ(engine.DTMFPlayComplete(7), kez::com::S_OK);
            EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=5", "nEventInfo1=7"})) << seen();
        });
}

TEST_F(EngineAgainstCallServerOnVeth, DiscoversTwentyOfTwentyOneCallServersOverUdp) {
    startServer(serverSpace_.exec({}), "udp:198.18.0.2", {"announce", "--count", "21"});
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", pair_->firstName());
    ASSERT_TRUE(setSpace_.run([&] {
        kez::com::Ptr<IEngine> engine;
        ASSERT_EQ(kez::com::ClassRegistry::createAs(kez::corvane::kClsidEngine, engine), kez::com::S_OK);
        const auto events = std::make_shared<kez::corvane::test::EventRecorder>();
        auto container = kez::com::query<kez::com::IConnectionPointContainer>(engine);
        kez::com::Cookie cookie = kez::com::kNoCookie;
        ASSERT_EQ(container->Advise(kez::corvane::kIidIEngineEvents, events, cookie), kez::com::S_OK);
        engine->put_varLocalIP(byteArray({198, 18, 0, 1}));
        ASSERT_EQ(engine->StartAutoDiscover(), kez::com::S_OK);
        // Every announcer is heard several times over; a 21st is never reported.
        awaitEvents(*events, 21, 3s);
        EXPECT_EQ(engine->StopAutoDiscover(), kez::com::S_OK);
        std::set<std::string> servers;
        for (const auto& line : events->lines()) {
            EXPECT_TRUE(line.starts_with("XAVDiscovered ") && line.ends_with(" c6120002")) << line;
            servers.insert(line);
        }
        EXPECT_EQ(events->lines().size(), 20U);
        EXPECT_EQ(servers.size(), 20U);
    }));
}

// What the configuration wizard asks of an engine it never starts: the adapters, the settings it
// puts, discovery of the call server over UDP, then the automatic IP configuration toward it.
TEST_F(EngineAgainstCallServerOnVeth, ServesTheWizardWithoutBeingStarted) {
    startServer(serverSpace_.exec({}), "udp:198.18.0.2");
    const auto webPort = serverSpace_.listenTcp("198.18.0.2", 80);
    ASSERT_TRUE(webPort);
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", pair_->firstName());
    ASSERT_TRUE(setSpace_.run([&] {
        kez::com::Ptr<IEngine> engine;
        ASSERT_EQ(kez::com::ClassRegistry::createAs(kez::corvane::kClsidEngine, engine), kez::com::S_OK);
        const auto events = std::make_shared<kez::corvane::test::EventRecorder>();
        kez::com::Cookie cookie = kez::com::kNoCookie;
        ASSERT_EQ(kez::com::query<kez::com::IConnectionPointContainer>(engine)->Advise(kez::corvane::kIidIEngineEvents,
                                                                                       events, cookie),
                  kez::com::S_OK);
        kez::com::Variant offered, mac;
        ASSERT_EQ(engine->get_varAdapters(offered), kez::com::S_OK);
        EXPECT_EQ(offered.get<kez::com::SafeArray>()->count(), 1U);
        // The discovery dialog's settings, then the IP dialog's.
        EXPECT_EQ(engine->put_nAdapter(0), kez::com::S_OK);
        EXPECT_EQ(engine->put_varVuruvMac(byteArray(serverMac_)), kez::com::S_OK);
        EXPECT_EQ(engine->put_varVuruvMac({}), kez::com::S_OK);
        engine->get_varVuruvMac(mac);
        EXPECT_TRUE(mac.isEmpty());
        engine->put_varLocalIP(byteArray({198, 18, 0, 1}));
        ASSERT_EQ(engine->StartAutoDiscover(), kez::com::S_OK);
        awaitEvents(*events, 1);
        EXPECT_EQ(engine->StopAutoDiscover(), kez::com::S_OK);
        EXPECT_EQ(engine->StopAutoDiscover(), kez::com::S_OK) << "nothing open";
        engine->put_varLocalIP({});
        engine->put_varVuruvIP(byteArray({198, 18, 0, 2}));
        ASSERT_EQ(engine->GetIPFromSocket(), kez::com::S_OK);
        const std::string discovered =
            "XAVDiscovered " + kez::corvane::test::FakeEndPoint::hexOf(byteArray(serverMac_)) + " c6120002";
        EXPECT_EQ(awaitEvents(*events, 2), (std::vector<std::string>{discovered, "AutoIPComplete"}));
        kez::com::Variant local, mask;
        engine->get_varLocalIP(local);
        engine->get_varSubnetMask(mask);
        EXPECT_EQ(kez::test::bytesOf(local), (Bytes{198, 18, 0, 1}));
        EXPECT_EQ(kez::test::bytesOf(mask), (Bytes{255, 255, 255, 0}));
        EXPECT_EQ(engine->CancelAutoIPConfig(), kez::com::S_OK);
    }));
}

} // namespace
} // namespace kez::test
