// EngineWrapperClass against the stand-in engine, created through the class table as the real one is, with
// the boxes recorded and the log read back.
#include <gtest/gtest.h>

#include <algorithm>

#include "kez/apt/apartment.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/testing/fake_engine.h"
#include "ombrel_test_env.h"
#include "temp_dir.h"

namespace kez::ombrel {
namespace {

using testing::FakeEngine;
using Calls = std::vector<std::string>;

// Keeps every event it is given, as text, in `log`.
struct Observer : EngineWrapperEvents {
    std::vector<std::string>& log;
    std::string name;
    Observer(std::vector<std::string>& into, std::string who) : log(into), name(std::move(who)) {}
    void AlertUpdate(std::int16_t tone, std::int16_t mode, std::int16_t, std::int16_t) override {
        log.push_back(name + " alert " + std::to_string(tone) + "," + std::to_string(mode));
    }
    void CallProgressUpdate(std::int16_t tone, std::int16_t mode, std::int16_t duration) override {
        log.push_back(name + " progress " + std::to_string(tone) + "," + std::to_string(mode) + "," +
                      std::to_string(duration));
    }
    void DisplayUpdate(std::int16_t, const std::string& line1, const std::string&, std::int16_t) override {
        log.push_back(name + " display " + line1);
    }
    void Error(std::int32_t number, const std::string& text) override {
        log.push_back(name + " error " + std::to_string(number) + " " + text);
    }
    void PlayDTMFReceived(const com::Variant& codes) override {
        log.push_back(name + " digits " + FakeEngine::describe(codes));
    }
};

class EngineWrapper : public ::testing::Test {
protected:
    EngineWrapper() {
        ui::setMessageBoxes(boxes_);
        gSetDebugHelp(false);
        options_.LoadSettings();
        wrapper_.addObserver(observer_);
    }
    ~EngineWrapper() override {
        wrapper_.Deinitialize();
        ui::setMessageBoxes(nullptr);
    }
    FakeEngine& engine() { return *engineClass_.created(); }
    void initialize() {
        ASSERT_TRUE(wrapper_.bInitialize(options_));
        engine().clearCalls();
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes_->shown())
            texts.push_back(box.text);
        return texts;
    }
    // The last box's "Context: " line.
    std::string lastContext() const {
        const auto text = boxes_->shown().empty() ? std::string() : boxes_->shown().back().text;
        const auto at = text.find("Context: ");
        return at == std::string::npos ? "" : text.substr(at + 9, text.find('\r', at) - at - 9);
    }

    test::OmbrelWorld world_;
    testing::FakeEngineClass engineClass_;
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
    OptionsClass options_;
    std::vector<std::string> events_;
    Observer observer_{events_, "A"};
    EngineWrapperClass wrapper_;
};

TEST_F(EngineWrapper, InitializeWritesTheSettingsInOrder) {
    options_.lCountry = 16;
    ASSERT_TRUE(wrapper_.bInitialize(options_));
    EXPECT_EQ(
        engine().calls(),
        (Calls{"put_nCountry(15)", "put_varVuruvMac(Empty)", "put_varVuruvIP(Empty)", "put_varLocalIP(6F 6F 6F 6F)",
               "put_varGatewayIP(00 00 00 00)", "put_varSubnetMask(FF FF FF FF)", "put_bAllMulticast(0)",
               "put_bForceLevel3(0)", "put_varSystemStateMCMAC(Empty)", "put_nToneStrength(100)",
               "put_nWaveShutdownDelay(2)", "put_bShareWave(0)", "put_lBufferDelay(5)", "put_lBufferMultiplier(2)",
               "put_nAdapter(-1)", "put_nRecordAdapter(-1)", "put_nPlayAdapter(-1)"}));
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(EngineWrapper, InitializeVariants) {
    struct Row {
        std::function<void(OptionsClass&)> set;
        std::string expected;  // writes that must be there, in a row
        std::string forbidden; // a write prefix that must not
    };
    const Row rows[] = {
        {[](auto& o) { o.nXAVVersion = 1; }, "", "put_nProtocolRevision"},
        {[](auto& o) { o.nXAVVersion = 5; }, "", "put_nProtocolRevision"},
        {[](auto& o) { o.nXAVVersion = 2; }, "put_nProtocolRevision(-32590)", ""},
        {[](auto& o) { o.nXAVVersion = 3; }, "put_nCountry(1)|put_nProtocolRevision(-32589)|put_varVuruvMac", ""},
        {[](auto& o) { o.nXAVVersion = 4; }, "put_nProtocolRevision(-32589)", ""},
        {[](auto& o) { o.lAdvanced = 1, o.lTonesCadences = 12, o.lCountry = 16; }, "put_nCountry(11)", ""},
        {[](auto& o) {
             o.bReadIPInfoAutomatically = false, o.sOverriddenRirovuruzGateway = "198.18.0.1";
             o.sOverriddenRirovuruzIPAddress = "198.18.0.2", o.sOverriddenRirovuruzSubnetMask = "255.255.255.0";
         },
         "put_varLocalIP(C6 12 00 02)|put_varGatewayIP(C6 12 00 01)|put_varSubnetMask(FF FF FF 00)", ""},
        {[](auto& o) { o.bUseMulticastMacAddress = true; }, "put_varSystemStateMCMAC(01 00 5E 00 01 3B)", ""},
        {[](auto& o) { o.sVuruvMacAddress = "00:11:22:33:44:55", o.bForceLayer3 = true, o.bAllMulticast = true; },
         "put_bAllMulticast(-1)|put_bForceLevel3(-1)|put_varSystemStateMCMAC(Empty)", ""},
        {[](auto& o) { o.sVuruvMacAddress = "00:11:22:33:44:55"; }, "put_varVuruvMac(00 11 22 33 44 55)", ""},
    };
    for (const auto& row : rows) {
        OptionsClass options;
        options.LoadSettings();
        row.set(options);
        EngineWrapperClass wrapper;
        ASSERT_TRUE(wrapper.bInitialize(options));
        auto calls = engine().calls();
        std::string joined;
        for (const auto& call : calls)
            joined += (joined.empty() ? "" : "|") + call;
        EXPECT_NE(joined.find(row.expected), std::string::npos) << joined;
        if (!row.forbidden.empty()) {
            EXPECT_EQ(joined.find(row.forbidden), std::string::npos) << joined;
        }
    }
}

TEST_F(EngineWrapper, RepeatedUpdatesAreDroppedFromTheZerosOfInitializeOn) {
    initialize();
    const auto alert = [&](std::int16_t t, std::int16_t m, std::int16_t c) {
        engine().fire([&](auto& e) { e.AlertUpdate(t, m, c, 1); });
    };
    const auto progress = [&](std::int16_t t, std::int16_t m, std::int16_t d) {
        engine().fire([&](auto& e) { e.CallProgressUpdate(t, m, d); });
    };
    alert(0, 0, 0);     // dropped: the zeros of initialize
    progress(0, 0, -1); // dropped
    alert(3, 1, 0);
    alert(3, 1, 2); // only the cadence differs: dropped
    progress(4, 1, -1);
    progress(4, 1, -1); // endless and the same: dropped
    progress(4, 1, 300);
    progress(4, 1, 300); // finite: raised again
    EXPECT_EQ(events_, (Calls{"A alert 3,1", "A progress 4,1,-1", "A progress 4,1,300", "A progress 4,1,300"}));
}

TEST_F(EngineWrapper, KeysMuteDroppedVolumeAsChanges) {
    initialize();
    for (const KeyId key : {21, 23, 23, 24, 5})
        wrapper_.ButtonDown(key);
    EXPECT_EQ(engine().calls(),
              (Calls{"ChangeVolume(100)", "ChangeVolume(100)", "ChangeVolume(-100)", "ButtonDown(5)"}));
}

TEST_F(EngineWrapper, WaveFileGuards) {
    initialize();
    const kez::test::TempDir dir("wave");
    const auto file = (dir.path() / "ring.wav").string();
    kez::test::writeFile(file, "RIFF");
    wrapper_.PlayTimedWaveFile((dir.path() / "missing.wav").string(), 5, 1, false);
    wrapper_.PlayTimedWaveFile(file, 5, 1, false);
    wrapper_.PlayTimedWaveFile(file, 5, 1, false); // held
    wrapper_.PlayWaveFile(file, 0, 1, false);      // waits for the timed one
    wrapper_.StopTimedWavePlay();
    wrapper_.PlayWaveFile(file, 0, 1, true);
    wrapper_.PlayCycledWaveFile(file, 2, 1, false);
    wrapper_.PlayCycledWaveFile(file, 2, 1, false); // held
    wrapper_.StopCycledWavePlay();
    wrapper_.StopCycledWavePlay(); // nothing held
    const auto q = "\"" + file + "\"";
    EXPECT_EQ(engine().calls(),
              (Calls{"PlayTimedWaveFile(" + q + ", 5, 1, 0)", "KillWaveStream(1)", "PlayWaveFile(" + q + ", 0, 1, -1)",
                     "PlayCycledWaveFile(" + q + ", 2, 1, 0)", "KillWaveStream(2)"}));
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(EngineWrapper, DigitsReachEveryObserverBeforeTheEngineHearsTheyArePlayed) {
    initialize();
    struct Player : Observer {
        EngineWrapperClass& wrapper;
        Player(std::vector<std::string>& log, EngineWrapperClass& w) : Observer(log, "B"), wrapper(w) {}
        void PlayDTMFReceived(const com::Variant& codes) override {
            Observer::PlayDTMFReceived(codes);
            wrapper.PlayDTMFTone(5, 100, 50, 1, false);
        }
    } player(events_, wrapper_);
    wrapper_.addObserver(player);
    const std::int16_t digits[] = {5};
    engine().fire([&](auto& e) { e.PlayDTMFReceived(7, com::SafeArray::fromI2(digits), {}); });
    EXPECT_EQ(events_, (Calls{"A digits 05 00", "B digits 05 00"}));
    EXPECT_EQ(engine().calls(), (Calls{"PlayDTMFTone(5, 100, 50, 1, 0)", "DTMFPlayComplete(7)"}));
    wrapper_.removeObserver(player);
}

TEST_F(EngineWrapper, ResetRestartsTheEngineAndForgetsItsStreams) {
    initialize();
    wrapper_.PlayCallProgTone(2, -1, 1, false);
    engine().fire([](auto& e) { e.ResetReceived(); });
    wrapper_.StopCallProgTone();
    EXPECT_EQ(engine().calls(), (Calls{"PlayCallProgTone(2, -1, 1, 0)", "Stop()", "Start()"}));
    EXPECT_TRUE(events_.empty());
}

TEST_F(EngineWrapper, AFailedStopForgetsTheStreamSoItShowsOneBox) {
    initialize();
    wrapper_.PlayAlert(1, 2, 3, 1, false);
    engine().failOn("KillWaveStream", static_cast<std::int32_t>(0x80041005u), "Error deleting stream");
    wrapper_.StopAlert();
    wrapper_.StopAlert();
    EXPECT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(lastContext(), "EngineWrapperClass.StopAlert");
}

TEST_F(EngineWrapper, ErrorClassesTextsAndLogLines) {
    struct Row {
        std::uint32_t number;
        std::string_view word, explanationStart;
    };
    for (const auto& row : {
             Row{0x80070005, "WIN32 Error", "This error has occurred in the WIN32 subsystem. Please contact"},
             Row{0x80004005, "Network Error", " Please contact your technical support representative."},
             Row{0x80004001, "Unknown", "The source of this error is unknown. Please"},
             Row{5, "Unknown", "The source of this error is unknown. Please"},
             Row{0x80041000, "Wave Object Error", "This error has occurred in the Wave Audio object. Please"},
             Row{0x80043002, "Engine Winsock Error",
                 "This error has occurred in the Winsock subsystem. Please check "
                 "your IP configuration. Especially your KEZ system IP address."},
             Row{0x80043006, "Engine Error", "This error has occurred in the Engine object. Please"},
             Row{0x80046000, "Communications Error", "This error has occurred in the Communications object. Please"},
             Row{0x80042004, "Multimedia Error", "The likely cause of this error is lack of full duplex audio."},
             Row{0x80042200, "Multimedia Error",
                 "This error indicates an inability to perform required audio "
                 "compression conversions. Check your codecs."},
             Row{0x80042010, "Multimedia Error", "This error has occurred in the Multimedia subsystem. Please"},
             Row{0x80040001, "Unknown", "The source of this error is unknown. Please"},
         }) {
        const auto number = static_cast<std::int32_t>(row.number);
        wrapper_.DisplayEngineError(number, "Here", "It failed");
        const auto box = boxes_->shown().back();
        const auto hex = vb::hex(number);
        const auto head = "Error code:   [" + hex + "H]\r\nError message: It failed\r\nContext: Here\r\n\r\n";
        EXPECT_EQ(box.text.substr(0, head.size()), head);
        EXPECT_EQ(box.text.substr(head.size(), row.explanationStart.size()), row.explanationStart) << hex;
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.icon, ui::Icon::Critical);
        EXPECT_EQ(world_.logTexts().back(), "ERROR:  Here [" + hex + "H] - " + std::string(row.word));
    }
}

TEST_F(EngineWrapper, EveryFailureNamesItsMember) {
    initialize();
    struct Row {
        std::string failing;
        std::function<void()> act;
        std::string context;
    };
    const std::int16_t none[] = {1};
    com::Variant ip, mask, gateway;
    const Row rows[] = {
        {"get_varAdapters", [&] { wrapper_.varNetworkAdapters(); },
         "Initializing - EngineWrapperClass.varNetworkAdapters"},
        {"get_varPlayAdapters", [&] { wrapper_.varPlayAdapters(); },
         "Initializing - EngineWrapperClass.varPlayAdapters"},
        {"get_varRecordAdapters", [&] { wrapper_.varRecordAdapters(); },
         "Initializing - EngineWrapperClass.varRecordAdapters"},
        {"Start", [&] { EXPECT_FALSE(wrapper_.bStart()); }, "EngineWrapperClass.bStart"},
        {"put_bMute", [&] { wrapper_.bMute(true); }, "EngineWrapperClass.bMute"},
        {"put_nAdapter", [&] { wrapper_.StartAutoDiscover(2); }, "EngineWrapperClass.StartAutoDiscover"},
        {"GetIPFromSocket", [&] { EXPECT_FALSE(wrapper_.bAutoConfigureIP({}, ip, mask, gateway)); },
         "EngineWrapperClass.bAutoConfigureIP"},
        {"ButtonDown", [&] { wrapper_.ButtonDown(5); }, "ButtonDown"},
        {"DTMFPlayComplete",
         [&] { engine().fire([&](auto& e) { e.PlayDTMFReceived(1, com::SafeArray::fromI2(none), {}); }); },
         "EngineWrapperClass.moJ5Engine_PlayDTMFReceived"},
        {"get_varLocalIP", [&] { engine().fire([](auto& e) { e.AutoIPComplete(); }); },
         "EngineWrapperClass.moJ5Engine_AutoIPComplete"},
        {"Stop", [&] { engine().fire([](auto& e) { e.ResetReceived(); }); },
         "EngineWrapperClass.moJ5Engine_ResetReceived"},
    };
    for (const auto& row : rows) {
        engine().failOn(row.failing, static_cast<std::int32_t>(0x80043004u), "Bad state");
        row.act();
        engine().clearFailures();
        EXPECT_EQ(lastContext(), row.context) << row.failing;
        EXPECT_NE(boxTexts().back().find("Error message: Bad state"), std::string::npos) << row.failing;
    }
}

TEST_F(EngineWrapper, RecordingElsewhereHasItsOwnBoxOnAKeyPress) {
    initialize();
    for (const auto number : {0x80042004u, 0x80042020u}) {
        engine().failOn("ButtonDown", static_cast<std::int32_t>(number), "Device busy");
        wrapper_.ButtonDown(5);
        EXPECT_EQ(boxes_->shown().back().text, "Another application is recording audio. Stop recording with this \r\n"
                                               "other application and then try again.");
        EXPECT_EQ(boxes_->shown().back().icon, ui::Icon::Exclamation);
    }
}

TEST_F(EngineWrapper, AFailedInitializeLeavesDeinitializeWithoutStop) {
    engineClass_.prepare([](FakeEngine& e) { e.failOn("put_varVuruvIP", com::E_INVALIDARG, "Invalid parameter"); });
    EXPECT_FALSE(wrapper_.bInitialize(options_));
    EXPECT_EQ(lastContext(), "Initializing - EngineWrapperClass.bInitialize");
    const auto engine = engineClass_.created();
    engine->clearCalls();
    wrapper_.Deinitialize();
    EXPECT_TRUE(engine->calls().empty());
    EXPECT_EQ(engine->sinks(), 0u);
}

TEST_F(EngineWrapper, EngineErrorsAreLoggedThenRaisedAndDisplayLinesLoggedAfterRaising) {
    initialize();
    engine().fire([](auto& e) { e.Error(static_cast<std::int32_t>(0x80046001u), "Link lost"); });
    engine().fire([](auto& e) { e.DisplayUpdate(0, "Line one", "Line two", 1); });
    EXPECT_EQ(events_, (Calls{"A error -2147196927 Link lost", "A display Line one"}));
    const auto log = world_.logTexts();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Calls(log.end() - 3, log.end()),
              (Calls{"ERROR:  Internal engine error [80046001H] - Link lost", "moJ5Engine_DisplayUpdate: Line one",
                     "moJ5Engine_DisplayUpdate: Line two"}));
}

TEST_F(EngineWrapper, TestAudioCopiesTheAudioSettingsAndKeepsEventsFlowing) {
    initialize();
    options_.lAudioBufferSize = 7;
    engine().post([](auto& e) { e.DisplayUpdate(0, "During the test", "", 0); });
    wrapper_.TestAudio(options_, 1, 2, 20);
    EXPECT_EQ(engine().calls(), (Calls{"put_lBufferDelay(7)", "put_lBufferMultiplier(2)", "put_nRecordAdapter(-1)",
                                       "put_nPlayAdapter(-1)", "TestAudio(1, 2, 20)"}));
    EXPECT_EQ(events_, (Calls{"A display During the test"}));
}

TEST_F(EngineWrapper, DebugHelpShowsTheToneTable) {
    gSetDebugHelp(true);
    options_.lCountry = 16;
    EXPECT_TRUE(wrapper_.bInitialize(options_));
    gSetDebugHelp(false);
    EXPECT_EQ(boxTexts(), (Calls{"The Engine Tone Table = 15"}));
    EXPECT_EQ(engine().calls()[1], "get_nCountry()");
}

TEST_F(EngineWrapper, AutoConfigureFillsTheAddressesOnlyForAGivenServer) {
    initialize();
    engine().setProperty("varLocalIP", "local");
    com::Variant ip, mask, gateway;
    EXPECT_TRUE(wrapper_.bAutoConfigureIP({}, ip, mask, gateway));
    EXPECT_TRUE(ip.isEmpty());
    EXPECT_TRUE(wrapper_.bAutoConfigureIP(gIPTextToBytes("198.18.0.9"), ip, mask, gateway));
    EXPECT_EQ(ip, com::Variant("local"));
    EXPECT_EQ(engine().calls(), (Calls{"GetIPFromSocket()", "put_varVuruvIP(C6 12 00 09)", "GetIPFromSocket()",
                                       "get_varLocalIP()", "get_varSubnetMask()", "get_varGatewayIP()"}));
}

} // namespace
} // namespace kez::ombrel
