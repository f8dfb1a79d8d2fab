// What the controller does with the forms' key presses and releases, the Options request and the mixer switch.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "controller_kit.h"
#include "kez/com/safe_array.h"
#include "ombrel/options.h"
#include "ombrel/timers_form.h"

namespace kez::ombrel::test {
namespace {

using corvane::_IEngineEvents;

class ControllerKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(world_.start());
        engine().clearCalls();
        form().calls.clear();
        world_.dialogs().calls.clear();
    }
    testing::FakeEngine& engine() { return world_.engine(); }
    RecordingForm& form() { return world_.form(); }
    void press(KeyId key, std::int16_t button = kLeftMouseButton) { emit form().ButtonDown(button, key); }
    void release(KeyId key) { emit form().ButtonUp(key); }
    void offHook(bool off) {
        const com::Variant lines(com::SafeArray::fromI2(std::vector<std::int16_t>{}, 1));
        engine().fire([&](_IEngineEvents& e) { e.LEDUpdate(0, off ? 3 : 0, 0, 0, 0, lines); });
        engine().clearCalls();
        form().calls.clear();
    }
    // The six flags in the order the engine raises them: prog, fixed, DTMF up; prog, fixed, DTMF down.
    void keyControl(std::array<bool, 6> f) {
        engine().fire([&](_IEngineEvents& e) { e.KeyControlUpdate(f[0], f[1], f[2], f[3], f[4], f[5]); });
    }
    Calls sent() const {
        Calls keys;
        for (const auto& call : world_.engine().calls())
            if (call.starts_with("ButtonDown") || call.starts_with("PlayDTMFTone")) keys.push_back(call);
        return keys;
    }

    ControllerWorld world_;
};

TEST_F(ControllerKeys, APressReachesTheEngineOnlyWhenItsClassMayBePressed) {
    struct {
        std::array<bool, 6> flags;
        bool offHook;
        KeyId key;
        Calls sent;
    } const cases[] = {
        {{true, true, true, true, true, true}, false, 5, {"ButtonDown(5)"}},
        {{true, true, true, true, true, false}, false, 5, {}},
        {{true, true, true, true, true, true}, true, 5, {"PlayDTMFTone(5, 128, 50, 100, -1)", "ButtonDown(5)"}},
        {{true, true, true, true, true, false}, true, 14, {"PlayDTMFTone(14, 128, 50, 100, -1)"}},
        {{true, true, true, true, false, true}, true, 18, {}},
        {{true, true, true, true, true, true}, true, 18, {"ButtonDown(18)"}},
        {{true, true, true, false, true, true}, false, 65, {}},
        {{false, false, false, true, true, true}, false, 49, {"ButtonDown(49)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        offHook(c.offHook);
        keyControl(c.flags);
        press(c.key);
        press(c.key);
        release(c.key);
        EXPECT_EQ(sent(), c.sent);
        EXPECT_EQ(form().calls, (Calls{"ImagePushDown(" + keyTag(c.key) + ")", "ImagePushUp(" + keyTag(c.key) + ")"}));
        EXPECT_FALSE(world_.button(c.key).bButtonPressed());
    }
}

TEST_F(ControllerKeys, MuteTogglesItsLedOffHookAndNeverReachesTheCallServer) {
    offHook(false);
    press(KeyId{21});
    release(KeyId{21});
    EXPECT_EQ(world_.button(KeyId{21}).eLEDState(), LEDState::Off);
    offHook(true);
    for (const auto state : {LEDState::On, LEDState::Off}) {
        press(KeyId{21});
        release(KeyId{21});
        EXPECT_EQ(world_.button(KeyId{21}).eLEDState(), state);
    }
    EXPECT_EQ(engine().calls(), (Calls{"put_bMute(-1)", "put_bMute(0)"}));
}

TEST_F(ControllerKeys, HandsFreeWhileTheAudioIsSharedIsRefusedWithABox) {
    engine().setProperty("bShareWave", com::Variant(com::VARIANT_TRUE));
    for (const auto button : {kLeftMouseButton, kRightMouseButton})
        press(KeyId{17}, button);
    EXPECT_EQ(world_.boxTexts(),
              Calls(2, "Handsfree is disabled when \"share audio hardware\" is enabled in the \"options dialog\"."));
    EXPECT_FALSE(world_.button(KeyId{17}).bButtonPressed());
    EXPECT_EQ(sent(), Calls{});
}

TEST_F(ControllerKeys, ARightPressOpensTheButtonPropertiesOfALabelledKeyOnly) {
    for (const KeyId key : {65, 49, 5, 17})
        press(key, kRightMouseButton);
    EXPECT_EQ(world_.dialogs().calls, (Calls{"showButtonProperties(65, box)", "showButtonProperties(49)"}));
    EXPECT_EQ(form().calls, Calls{});
}

TEST_F(ControllerKeys, OptionsAreRefusedOffHookAndTheirOutcomeRestartsOrHandsOver) {
    offHook(true);
    emit form().DisplayOptions();
    EXPECT_EQ(world_.boxTexts(), Calls{"Please hangup before using \"Options\"."});
    offHook(false);

    world_.dialogs().options = {{}, {.bDirty = true}, {.bDirty = true}, {.bLaunchWizard = true}};
    world_.answerBoxes({ui::Answer::No, ui::Answer::Yes});
    emit form().DisplayOptions();
    emit form().DisplayOptions();
    EXPECT_EQ(world_.boxes().size(), 1u);
    EXPECT_EQ(world_.boxes()[0].title, "Restart?");
    EXPECT_EQ(world_.formsMade(), 1u);
    emit form().DisplayOptions();
    deleteDeferred();
    EXPECT_EQ(world_.formsMade(), 2u) << "restarted";
    EXPECT_TRUE(form().isVisible());
    emit form().DisplayOptions();
    EXPECT_EQ(world_.programEnds(), 1);
    EXPECT_TRUE(kez::test::eventually([&] { return world_.wizardStarts() == Calls{"INTERNAL"}; }));
}

TEST_F(ControllerKeys, TheMixerSwitchesOncePerChangeOfTheActiveWindowAndGoesBackAtTheEnd) {
    auto& controller = world_.controller();
    controller.oOptions().bControlMixer = true;
    form().show();
    form().activateWindow();
    ASSERT_TRUE(kez::test::eventually([&] {
        QCoreApplication::processEvents();
        return form().isActiveWindow();
    }));
    QCoreApplication::processEvents();
    const std::string key = "\"SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\";
    EXPECT_EQ(engine().calls(), (Calls{"CaptureMixerState(" + key + "MixerExternal\")",
                                       "RestoreMixerState(" + key + "MixerInternal\")"}));
    engine().clearCalls();
    const auto keep = world_.engineClass().created();
    controller.CleanUp();
    EXPECT_EQ(keep->calls(), (Calls{"RestoreMixerState(" + key + "MixerExternal\")", "Stop()"}));
}

} // namespace
} // namespace kez::ombrel::test
