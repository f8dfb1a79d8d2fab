// The controller's roads through start-up and take-down: the wizard first, the Options dialog after a start
// that never reached a running engine, the face type, automatic IP, the saved window position, the tray, the
// close choice and a shut-down from inside an engine's error box.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QMenu>

#include "controller_kit.h"
#include "kez/ui/metrics.h"
#include "ombrel/options.h"
#include "ombrel/process_priority.h"
#include "ombrel/registry.h"
#include "ombrel/timers_form.h"
#include "process.h"

namespace kez::ombrel::test {
namespace {

using corvane::_IEngineEvents;

bool storedInitializedProperly() {
    return gGetRegParamBoolean(Hive::LocalMachine, settingsKey("Safety"), "InitializedProperly", true);
}

TEST(ControllerStartUp, TheWizardComesFirstWhileTheSettingsAskForIt) {
    ControllerWorld world;
    setMachineValue("Wizard", "AutoLaunch", "True");
    EXPECT_FALSE(world.start());
    EXPECT_EQ(world.formsMade(), 0u);
    EXPECT_EQ(world.engineClass().created(), nullptr);
    EXPECT_EQ(world.programEnds(), 1);
    EXPECT_TRUE(kez::test::eventually([&] { return world.wizardStarts() == Calls{"INTERNAL"}; }));
}

TEST(ControllerStartUp, AStartThatNeverRanOpensTheOptionsFirst) {
    struct {
        OptionsOutcome outcome;
        bool started;
        std::size_t wizards;
    } const cases[] = {{{.bCancel = true}, false, 0}, {{.bLaunchWizard = true}, false, 1}, {{}, true, 0}};
    for (const auto& c : cases) {
        ControllerWorld world;
        setMachineValue("Safety", "InitializedProperly", "False");
        world.dialogs().options = {c.outcome};
        EXPECT_EQ(world.start(), c.started);
        EXPECT_EQ(world.dialogs().calls.front(), "showOptions");
        EXPECT_EQ(world.formsMade(), c.started ? 1u : 0u);
        EXPECT_TRUE(kez::test::eventually([&] { return world.wizardStarts().size() == c.wizards; }));
        EXPECT_EQ(world.programEnds(), c.wizards);
    }
}

TEST(ControllerStartUp, TheFaceTypeChoosesTheFormAndAnUnknownOneBecomesTheSmallFace) {
    struct {
        const char* stored;
        int simple;
        std::vector<std::int16_t> graphical;
        std::int16_t type;
    } const cases[] = {{"0", 1, {}, 0}, {"1", 0, {1}, 1}, {"2", 0, {2}, 2}, {"7", 0, {2}, 2}, {"", 0, {2}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ControllerWorld world;
        if (*c.stored != '\0') setMachineValue("UI", "Type", c.stored);
        ASSERT_TRUE(world.start());
        EXPECT_EQ(world.simpleForms(), c.simple);
        EXPECT_EQ(world.graphicalTypes(), c.graphical);
        EXPECT_EQ(world.controller().oOptions().nUIType, c.type);
    }
}

TEST(ControllerStartUp, TheSetWaitsForInitWithItsKeysOffAndIsMarkedRunningOnceTheEngineStarted) {
    for (const bool startFails : {false, true}) {
        ControllerWorld world;
        world.engineClass().prepare([&](testing::FakeEngine& engine) {
            if (startFails) engine.failOn("Start", com::E_FAIL, "no adapter");
        });
        EXPECT_EQ(world.start(), !startFails);
        EXPECT_EQ(world.form().calls,
                  (Calls{"Initialize", "SetPhoneBusy(False)", "SetDisplay(KEZ Ombrel|Waiting for Init)"}));
        EXPECT_FALSE(world.button(0).enabled());
        EXPECT_EQ(storedInitializedProperly(), !startFails);
    }
}

TEST(ControllerStartUp, AutomaticIpStartsTheEngineOnlyOnceItsConfigurationIsDone) {
    struct {
        const char* automatic;
        const char* callServer;
        bool configures;
    } const cases[] = {{"True", "198.18.0.2", true}, {"True", "", false}, {"False", "198.18.0.2", false}};
    for (const auto& c : cases) {
        ControllerWorld world;
        setMachineValue("Communications", "ReadIPInfoAutomatically", c.automatic);
        setMachineValue("Communications", "VuruvIP", c.callServer);
        ASSERT_TRUE(world.start());
        EXPECT_EQ(called(world.engine(), "GetIPFromSocket()"), c.configures);
        EXPECT_EQ(called(world.engine(), "Start()"), !c.configures);
        EXPECT_EQ(storedInitializedProperly(), !c.configures);
    }
}

TEST(ControllerStartUp, PriorityTwoAndThreeRaiseTheProcessAndEveryOtherLevelPutsBackTheStartingOne) {
    // The process starts at nice 5; each row applies its levels in turn, as restarts in one process do.
    constexpr int kStartNice = 5;
    struct {
        std::vector<std::int16_t> levels;
        int nice;
    } const cases[] = {{{0}, kStartNice},    {{2}, -10},    {{3}, -20},          {{2, 1}, kStartNice},
                       {{3, 0}, kStartNice}, {{3, 2}, -10}, {{2, 7}, kStartNice}};
    for (const auto& c : cases) {
        const pid_t child = kez::test::forkChild([&c] {
            if (::setpriority(PRIO_PROCESS, 0, kStartNice) != 0) return 2;
            bool set = true;
            for (const auto level : c.levels)
                set = setProcessPriority(level);
            // Without CAP_SYS_NICE a raise is refused and the process keeps its starting nice.
            if (::geteuid() != 0 && c.nice < kStartNice)
                return !set && ::getpriority(PRIO_PROCESS, 0) == kStartNice ? 0 : 1;
            return set && ::getpriority(PRIO_PROCESS, 0) == c.nice ? 0 : 1;
        });
        EXPECT_EQ(kez::test::waitChild(child), 0) << ::testing::PrintToString(c.levels);
    }
}

TEST(ControllerStartUp, TheStoredWindowPlaceIsUsedOnlyWhereTheWindowStaysReachableAndSavedWithin16Bits) {
    const int perPixel = ui::Metrics::twipsPerPixel();
    struct {
        int left, top;
        QPoint expected; // (0, 0): the form's own place
    } const cases[] = {
        {-1, 300 * perPixel, {0, 0}}, {100 * perPixel, 50 * perPixel, {100, 50}}, {30000, 30000, {0, 0}}};
    for (const auto& c : cases) {
        ControllerWorld world;
        setMachineValue("UI", "WindowPosLeft", std::to_string(c.left));
        setMachineValue("UI", "WindowPosRight", std::to_string(c.top));
        ASSERT_TRUE(world.start());
        EXPECT_EQ(world.form().pos(), c.expected);
    }
    ControllerWorld world;
    ASSERT_TRUE(world.start());
    world.form().move(5000, 20);
    world.controller().Shutdown();
    EXPECT_EQ(gGetRegParamString(Hive::LocalMachine, settingsKey("UI"), "WindowPosLeft", ""), "32767");
    EXPECT_EQ(gGetRegParamString(Hive::LocalMachine, settingsKey("UI"), "WindowPosRight", ""),
              std::to_string(20 * perPixel));
}

TEST(ControllerStartUp, TheTrayBringsTheWindowBackAndPopsTheMenuWithRestore) {
    ControllerWorld world;
    setMachineValue("Communications", "IncomingCallPopup", "False");
    ASSERT_TRUE(world.start());
    auto& timers = *world.controller().timerForm();
    timers.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(world.form().isVisible());
    EXPECT_TRUE(kez::test::eventually([&] { return world.screenSaverCalls() == Calls{"reset"}; }));
    world.form().mnuSysRestore().setVisible(false);
    timers.trayActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(world.form().mnuSysRestore().isVisible());
    EXPECT_TRUE(world.form().mnuSysMenu().isVisible());
    world.form().mnuSysMenu().hide();
}

TEST(ControllerStartUp, TheCloseChoiceCancelsHidesOrEndsTheProgram) {
    const std::pair<CloseChoice, bool> cases[] = {
        {CloseChoice::Cancel, true}, {CloseChoice::Minimise, false}, {CloseChoice::ShutDown, false}};
    for (const auto& [choice, visible] : cases) {
        ControllerWorld world;
        ASSERT_TRUE(world.start());
        world.controller().Show();
        world.dialogs().close = choice;
        world.controller().UserFileExit();
        EXPECT_EQ(world.dialogs().calls.back(), "queryClose(False)") << "no tray on the offscreen desktop";
        const bool ended = choice == CloseChoice::ShutDown;
        EXPECT_EQ(world.programEnds(), ended ? 1 : 0);
        EXPECT_EQ(world.controller().engineWrapper() == nullptr, ended);
        if (!ended) {
            EXPECT_EQ(world.form().isVisible(), visible);
        }
    }
}

// Answers a box by shutting the program down, as the tray's Exit may while a box is open.
class ShutDownInBox : public ui::MessageBoxes {
public:
    explicit ShutDownInBox(UIWrapperClass& controller) : controller_(controller) {}
    ui::Answer show(const ui::MessageBox&) override {
        controller_.Shutdown();
        return ui::Answer::Ok;
    }

private:
    UIWrapperClass& controller_;
};

TEST(ControllerStartUp, AShutDownFromAnEngineErrorBoxEndsTheSetOnceTheHandlerReturned) {
    ControllerWorld world;
    ASSERT_TRUE(world.start());
    world.controller().Show();
    const auto engine = world.engineClass().created();
    ui::setMessageBoxes(std::make_shared<ShutDownInBox>(world.controller()));
    engine->clearCalls();
    engine->fire([](_IEngineEvents& e) { e.Error(static_cast<std::int32_t>(0x80043001u), "no sound card"); });
    EXPECT_FALSE(world.form().isVisible());
    EXPECT_EQ(world.programEnds(), 0);
    EXPECT_EQ(engine->calls(), Calls{}) << "the handler may still be inside the engine";
    engine->fire([](_IEngineEvents& e) { e.AlertUpdate(1, 1, 1, 1); });
    QCoreApplication::processEvents();
    EXPECT_EQ(world.programEnds(), 1);
    EXPECT_EQ(engine->calls(), Calls{"Stop()"}) << "the alert came after the end";
    EXPECT_EQ(engine->sinks(), 0u);
}

// Answers the first box by asking for the Options from the tray, which restart the set; Yes to the rest.
class RestartInBox : public ui::MessageBoxes {
public:
    explicit RestartInBox(ControllerWorld& world) : world_(world) {}
    ui::Answer show(const ui::MessageBox&) override {
        if (asked_++ == 0) emit world_.form().DisplayOptions();
        return ui::Answer::Yes;
    }

private:
    ControllerWorld& world_;
    int asked_ = 0;
};

TEST(ControllerStartUp, ARestartFromAnEngineErrorBoxStopsTheOldEngineOnceItsEventReturned) {
    ControllerWorld world;
    ASSERT_TRUE(world.start());
    const auto old = world.engineClass().created();
    old->clearCalls();
    world.dialogs().options = {{.bDirty = true}};
    ui::setMessageBoxes(std::make_shared<RestartInBox>(world));
    old->fire([](_IEngineEvents& e) { e.Error(static_cast<std::int32_t>(0x80043001u), "no sound card"); });
    const auto fresh = world.engineClass().created();
    ASSERT_NE(fresh, old);
    EXPECT_TRUE(called(*fresh, "Start()"));
    EXPECT_EQ(old->calls(), Calls{}) << "still inside its event";
    QCoreApplication::processEvents();
    EXPECT_EQ(old->calls(), Calls{"Stop()"});
    EXPECT_EQ(world.programEnds(), 0);
}

} // namespace
} // namespace kez::ombrel::test
