// The controller's handling of the engine's events, raised by the stand-in engine through the real engine
// wrapper: display and clock, the call server's time, LEDs and their blinking, call progress, ringing, DTMF,
// error boxes and the automatic IP configuration; and the timers' dispatch.
#include <gtest/gtest.h>

#include <algorithm>

#include "controller_kit.h"
#include "kez/com/safe_array.h"
#include "ombrel/dtmf_list_player.h"
#include "ombrel/options.h"
#include "ombrel/timers_form.h"

namespace kez::ombrel::test {
namespace {

using corvane::_IEngineEvents;

constexpr std::int32_t kAudioError = static_cast<std::int32_t>(0x80043001u);
constexpr std::int32_t kFailure = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t kProtocolError = static_cast<std::int32_t>(0x80043006u);

class ControllerEvents : public ::testing::Test {
protected:
    void SetUp() override {
        world_.now = dateOf(2024, 1, 5, 9, 7);
        ASSERT_TRUE(world_.start());
        engine().clearCalls();
        form().calls.clear();
    }
    testing::FakeEngine& engine() { return world_.engine(); }
    RecordingForm& form() { return world_.form(); }
    UIWrapperClass& controller() { return world_.controller(); }
    void fire(const std::function<void(_IEngineEvents&)>& event) { engine().fire(event); }
    void display(std::int16_t todMode, std::int16_t idle = 0) {
        fire([&](_IEngineEvents& e) { e.DisplayUpdate(todMode, "LINE ONE", "LINE TWO", idle); });
    }
    void leds(std::int16_t speaker, std::int16_t handsFree, std::vector<std::int16_t> lines = {}) {
        const com::Variant array(com::SafeArray::fromI2(lines, 1));
        fire([&](_IEngineEvents& e) { e.LEDUpdate(1, speaker, handsFree, 2, 3, array); });
    }
    void tick(int timer) { controller().timerForm()->tmrArray_Timer(timer); }

    ControllerWorld world_;
};

TEST_F(ControllerEvents, TheClockReplacesLineOneByTheCallServersTimeOfDayMode) {
    struct {
        std::int16_t todMode;
        std::int16_t idle;
        int hour;
        const char* line1;
    } const cases[] = {
        {0, 0, 9, "LINE ONE"},      {0, 1, 9, "LINE ONE"},       {2, 0, 9, "Jan 5 09:07"},
        {1, 0, 9, "Jan 5 9:07 am"}, {5, 0, 21, "Jan 5 9:07 pm"}, {1, 0, 0, "Jan 5 12:07 am"},
        {2, 1, 9, "Locked"},        {1, 3, 9, "Locked"},         {2, 2, 9, "Jan 5 09:07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line1);
        world_.now = dateOf(2024, 1, 5, c.hour, 7);
        display(c.todMode, c.idle);
        EXPECT_EQ(form().line1, c.line1);
        EXPECT_EQ(form().line2, "LINE TWO");
        world_.now = dateOf(2024, 1, 5, c.hour, 9);
        tick(kClockTimer);
        if (c.todMode == 0) {
            EXPECT_EQ(form().line1, "LINE ONE");
        }
    }
}

TEST_F(ControllerEvents, TheCallServersTimeRunsOnThePcsClockFromItsFirstReading) {
    controller().oOptions().bUseKEZSystemTime = true;
    display(2);
    EXPECT_EQ(form().line1, "Jan 5 09:07") << "the PC's time until the call server sent its own";
    fire([](_IEngineEvents& e) { e.SystemDateUpdate(dateOf(2023, 7, 1, 12, 0)); });
    tick(kClockTimer);
    EXPECT_EQ(form().line1, "Jul 1 12:00");
    world_.now = dateOf(2024, 1, 5, 9, 10);
    tick(kClockTimer);
    EXPECT_EQ(form().line1, "Jul 1 12:03");
}

TEST_F(ControllerEvents, LedsFollowTheUpdateAndOnHookClearsMute) {
    leds(3, 0, {3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 15});
    EXPECT_EQ(form().calls, Calls{"SetPhoneBusy(False)"});
    const std::pair<KeyId, LEDState> expected[] = {
        {65, LEDState::On},         {66, LEDState::SlowFlash}, {67, LEDState::FastFlash},
        {76, LEDState::FromLedMap}, {16, LEDState::SlowFlash}, {31, LEDState::FastFlash},
        {32, LEDState::On},         {17, LEDState::Off},       {22, LEDState::On}};
    for (const auto& [key, state] : expected)
        EXPECT_EQ(world_.button(key).eLEDState(), state) << key;

    world_.button(KeyId{21}).eLEDState(LEDState::On);
    engine().clearCalls();
    form().calls.clear();
    leds(0, 0);
    EXPECT_EQ(world_.button(KeyId{21}).eLEDState(), LEDState::Off);
    EXPECT_EQ(engine().calls(), Calls{"put_bMute(0)"});
    EXPECT_EQ(form().calls, Calls{"SetPhoneBusy(True)"});
}

TEST_F(ControllerEvents, HandsFreeLitWhileTheAudioIsSharedIsPressedAgain) {
    for (const bool shared : {false, true}) {
        engine().setProperty("bShareWave", com::Variant(com::toVariantBool(shared)));
        engine().clearCalls();
        leds(3, 3);
        EXPECT_EQ(called(engine(), "ButtonDown(17)"), shared);
    }
}

// The timer runs on while an LED flashes, sleeps after a step that shows only steady ones, wakes for a change.
TEST_F(ControllerEvents, TheBlinkTimerStepsEveryLedThroughFourStepsWhileOneFlashes) {
    leds(0, 0, {1, 2, 3});
    std::string seen;
    for (int step = 0; step < 2 * kBlinkSteps; ++step) {
        tick(kBlinkTimer);
        for (const KeyId key : {65, 66, 67, 21})
            seen += world_.button(key).lit().value_or(false) ? '1' : '0';
        seen += ' ';
    }
    EXPECT_EQ(seen, "1110 1010 0110 0010 1110 1010 0110 0010 ");
    const QTimer& blink = controller().timerForm()->tmrArray(kBlinkTimer);
    EXPECT_TRUE(blink.isActive());
    const com::Variant steady(com::SafeArray::fromI2(std::vector<std::int16_t>{3, 0, 0}, 1));
    fire([&](_IEngineEvents& e) { e.LEDUpdate(0, 0, 0, 0, 0, steady); });
    tick(kBlinkTimer);
    EXPECT_FALSE(blink.isActive());
    leds(0, 0);
    EXPECT_TRUE(blink.isActive());
}

TEST_F(ControllerEvents, CallProgressStopsTheLastToneAndPlaysTheNew) {
    struct {
        std::int16_t tone, mode, duration;
        Calls calls;
    } const cases[] = {
        {3, 1, -1, {"PlayCallProgTone(3, -1, 50, -1)"}}, {3, 0, -1, {"KillWaveStream(1)"}},
        {4, 2, 20, {"PlayCallProgTone(4, 20, 50, 0)"}},  {255, 1, -1, {"KillWaveStream(2)"}},
        {16, 1, 1, {"PlayCallProgTone(16, 1, 50, -1)"}},
    };
    for (const auto& c : cases) {
        engine().clearCalls();
        fire([&](_IEngineEvents& e) { e.CallProgressUpdate(c.tone, c.mode, c.duration); });
        EXPECT_EQ(engine().calls(), c.calls) << c.tone << "," << c.mode;
    }
}

TEST_F(ControllerEvents, RingingPlaysBeepsAndFlashesUntilTheAlertEnds) {
    for (const bool popUp : {false, true}) {
        SCOPED_TRACE(popUp);
        controller().oOptions().bDisplayIncomingPopUp = popUp;
        form().hide();
        engine().clearCalls();
        fire([](_IEngineEvents& e) { e.AlertUpdate(2, 2, 3, 4); });
        EXPECT_EQ(engine().calls(), (Calls{"PlayAlert(2, 3, 4, 150, -1)", "BeepSpeaker(1000, 500)"}));
        EXPECT_EQ(form().isVisible(), popUp);
        EXPECT_TRUE(controller().timerForm()->tmrArray(kFlashTimer).isActive());
        tick(kFlashTimer);
        EXPECT_EQ(form().calls, (Calls{"FlipLCDState", "FlipLCDState"}));

        form().calls.clear();
        fire([](_IEngineEvents& e) { e.AlertUpdate(0, 0, 0, 0); });
        EXPECT_EQ(form().calls, Calls{"RestoreLCDState"});
        EXPECT_FALSE(controller().timerForm()->tmrArray(kFlashTimer).isActive());
        form().calls.clear();
    }
}

TEST_F(ControllerEvents, DigitsPlayInOrderBeforeTheEngineHearsTheyArePlayed) {
    // A tone digit starts without waiting (call-progress tone k - 16 is row k) and its stream is removed after
    // the gap; the stand-in engine numbers its streams from 1.
    struct {
        bool click;
        std::vector<std::int16_t> codes;
        Calls calls;
    } const cases[] = {
        {false,
         {1, 14, 9},
         {"PlayCallProgTone(-15, 128, 100, -1)", "KillWaveStream(1)", "PlayCallProgTone(-2, 128, 100, -1)",
          "KillWaveStream(2)", "PlayCallProgTone(-7, 128, 100, -1)", "KillWaveStream(3)", "DTMFPlayComplete(7)"}},
        {false, {}, {"DTMFPlayComplete(7)"}},
        {true, {5}, {"DTMFPlayComplete(7)"}}, // before the click exists
        {true, {5}, {"PlayWaveFile(\"<data>/SOUND/click.WAV\", 50, 100, -1)", "DTMFPlayComplete(7)"}},
    };
    const auto click = world_.dataFolder() / "SOUND" / "click.WAV";
    for (const auto& c : cases) {
        if (&c == &cases[3] && std::filesystem::create_directories(click.parent_path()))
            kez::test::writeFile(click, "RIFF");
        controller().oOptions().bClickDTMF = c.click;
        engine().clearCalls();
        const com::Variant codes(com::SafeArray::fromI2(c.codes));
        fire([&](_IEngineEvents& e) { e.PlayDTMFReceived(7, codes, {}); });
        for (int step = 0; step < 100 && !controller().dtmfList().idle(); ++step)
            controller().dtmfList().step();
        auto calls = engine().calls();
        for (auto& call : calls) {
            if (const auto at = call.find(world_.dataFolder().string()); at != std::string::npos)
                call.replace(at, world_.dataFolder().string().size(), "<data>");
        }
        EXPECT_EQ(calls, c.calls);
    }
    EXPECT_EQ(
        std::ranges::count(world_.world().logTexts(), "mPlayDTMF: the key click " + click.string() + " is missing"), 1);
}

TEST_F(ControllerEvents, OneAudioBoxAndAutomaticIpFailuresOnlyWhenTwoComeWithinTheWait) {
    const auto error = [&](std::int32_t number) {
        fire([&](_IEngineEvents& e) { e.Error(number, "went wrong"); });
        return world_.boxes().size();
    };
    EXPECT_EQ(error(kAudioError), 1u);
    EXPECT_EQ(error(kAudioError), 1u);
    EXPECT_EQ(error(kFailure), 1u) << "not during an automatic IP configuration";

    setMachineValue("Communications", "VuruvIP", "198.18.0.2");
    ASSERT_TRUE(world_.start());
    ASSERT_TRUE(controller().bAutoIPInProgress());
    const auto first = world_.boxes().size();
    EXPECT_EQ(error(kFailure), first);
    EXPECT_TRUE(controller().timerForm()->tmrScrambledWait().isActive());
    EXPECT_EQ(error(kFailure), first + 1);
    EXPECT_NE(world_.boxTexts().back().find("Context: Auto IP Configuration"), std::string::npos);
    EXPECT_EQ(error(kFailure), first + 1);
    controller().timerForm()->tmrScrambledWait_Timer();
    EXPECT_FALSE(controller().timerForm()->tmrScrambledWait().isActive());
    EXPECT_EQ(error(kFailure), first + 1) << "a new wait after the last one ran out";
    EXPECT_EQ(error(kProtocolError), first + 2);

    const std::vector<std::uint8_t> ip{198, 18, 0, 1}, mask{255, 255, 255, 0}, gateway{198, 18, 0, 254};
    engine().setProperty("varLocalIP", com::SafeArray::fromBytes(com::ElementType::UI1, ip).value());
    engine().setProperty("varSubnetMask", com::SafeArray::fromBytes(com::ElementType::UI1, mask).value());
    engine().setProperty("varGatewayIP", com::SafeArray::fromBytes(com::ElementType::UI1, gateway).value());
    engine().clearCalls();
    fire([](_IEngineEvents& e) { e.AutoIPComplete(); });
    EXPECT_TRUE(called(engine(), "Start()"));
    const auto& options = controller().oOptions();
    EXPECT_EQ(options.sLocalIP + " " + options.sSubnet + " " + options.sGateway,
              "198.18.0.1 255.255.255.0 198.18.0.254");
    EXPECT_TRUE(options.bInitializedProperly());
    EXPECT_FALSE(controller().bAutoIPInProgress());
    EXPECT_EQ(error(kFailure), first + 2) << "the configuration is over";
}

TEST_F(ControllerEvents, InitEnablesEveryKeyAndTheTimersDispatchByIndex) {
    EXPECT_FALSE(world_.button(5).enabled());
    fire([](_IEngineEvents& e) { e.InitReceived(); });
    for (const auto& key : keyTable())
        EXPECT_TRUE(world_.button(key.key).enabled()) << key.key;

    auto& timers = *controller().timerForm();
    const std::pair<int, int> periods[] = {{kBlinkTimer, 400}, {kClockTimer, 10000}};
    for (const auto& [index, period] : periods) {
        EXPECT_TRUE(timers.tmrArray(index).isActive()) << index;
        EXPECT_EQ(timers.tmrArray(index).interval(), period) << index;
    }
    EXPECT_FALSE(timers.tmrArray(kFlashTimer).isActive());
    display(2);
    form().calls.clear();
    tick(kClockTimer);
    tick(kFlashTimer);
    tick(4);
    EXPECT_EQ(form().calls, (Calls{"SetDisplayLine1(Jan 5 09:07)", "FlipLCDState"}));
}

} // namespace
} // namespace kez::ombrel::test
