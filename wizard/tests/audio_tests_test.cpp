// The audio pages on the stand-in engine: what each test button asks of the engine with the settings object's
// unsaved values, the microphone box and every way of closing it, the audio buffer dialog's two buttons, and
// the busy guard while the tone test's wait delivers the user's clicks (the stand-in's TestAudio pumps for
// the test's 7 s on the test clock).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "audio_buffer_form.h"
#include "kez/sys/tick.h"
#include "microphone_test_form.h"
#include "modal_dialog.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

using Calls = std::vector<std::string>;

void click(const QWidget& root, const char* name) { control<QAbstractButton>(root, name).click(); }

// Runs `act` from the tone test's wait, which `start` begins.
void duringTheTest(const std::function<void()>& start, const std::function<void()>& act) {
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, act);
    timer.start(0);
    start();
}

Calls puts(const char* delay, const char* multiplier, const char* record, const char* play) {
    return {std::string("put_lBufferDelay(") + delay + ")", std::string("put_lBufferMultiplier(") + multiplier + ")",
            std::string("put_nRecordAdapter(") + record + ")", std::string("put_nPlayAdapter(") + play + ")"};
}

Calls joined(Calls first, const Calls& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The tone test's 7 s pass on the test clock, as fast as the window's events allow.
struct TestClockRunning {
    TestClockRunning() { EXPECT_TRUE(clock.autoAdvance(true)); }
    ~TestClockRunning() { clock.autoAdvance(false); }
    sys::TestClock clock;
};

TEST(AudioTests, EachTestGivesTheEngineTheDialogsValuesBeforeAnythingIsSaved) {
    const TestClockRunning clock;
    WizardWorld world;
    world.seed(
        {{"Audio", "AudioBufferSize", "5"}, {"Audio", "PlayAdapter", "0"}, {"Safety", "InitializedProperly", "True"}});
    const auto machine = world.machineBytes();
    OpenedWizard wizard;
    auto& dialog = wizard.form.audioBufferForm();
    control<QLineEdit>(dialog, "txtAudioBufferSize").setText("3");
    control<QLineEdit>(dialog, "txtMultiplier").setText("4");
    control<QComboBox>(dialog, "cboRecordAdapters").setCurrentIndex(1);
    control<QComboBox>(dialog, "cboPlayAdapters").setCurrentIndex(0);
    click(dialog, "cmdOkay");
    const auto engine = world.engine();
    const std::pair<const char*, const char*> buttons[] = {{"cmdMulawAudioTest", "TestAudio(0, 1, 7000)"},
                                                           {"cmdADPCMAudioTest", "TestAudio(0, 3, 7000)"}};
    for (const auto& [button, test] : buttons) {
        engine->clearCalls();
        click(wizard.form, button);
        EXPECT_EQ(engine->calls(), joined(puts("3", "4", "0", "-1"), {test}));
    }
    EXPECT_EQ(world.machineBytes(), machine);
    EXPECT_TRUE(world.boxes().empty());
}

TEST(AudioTests, EveryCloseOfTheMicrophoneBoxStopsTheTestOnceEvenAfterAFailedStart) {
    struct {
        const char* how;
        bool startFails;
    } const cases[] = {{"Stop test", false}, {"Enter", false}, {"Escape", false}, {"close box", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        WizardWorld world;
        world.seed({{"Audio", "RecordAdapter", "-1"}, {"Audio", "PlayAdapter", "-1"}});
        OpenedWizard wizard;
        const auto engine = world.engine();
        engine->clearCalls();
        if (c.startFails) engine->failOn("StartMikeTest", 0x80043004, "Wave Record object create failure");
        std::vector<std::string> boxesMeanwhile;
        const QWidget* shown = nullptr;
        const WhenModalShows closing([&](QDialog& box) {
            shown = &box;
            boxesMeanwhile = boxTexts(world.boxes());
            const std::string how = c.how;
            if (how == "Stop test") click(box, "cmdStopTest");
            if (how == "Enter") QTest::keyClick(&box, Qt::Key_Return);
            if (how == "Escape") QTest::keyClick(&box, Qt::Key_Escape);
            if (how == "close box") box.close();
        });
        click(wizard.form, "cmdStartMike");
        ASSERT_EQ(shown, &wizard.form.microphoneTestForm());
        // The engine's error box came first, or none.
        EXPECT_EQ(boxesMeanwhile.size(), c.startFails ? 1u : 0u);
        EXPECT_TRUE(std::ranges::all_of(boxesMeanwhile, [](const std::string& text) {
            return text.find("EngineWrapperClass.StartMikeTest") != std::string::npos;
        }));
        EXPECT_FALSE(wizard.form.microphoneTestForm().isVisible());
        EXPECT_EQ(engine->calls(), joined(puts("5", "2", "-1", "-1"), {"StartMikeTest()", "StopMikeTest()"}));
    }
}

TEST(AudioTests, BothConfigurationButtonsShowTheOneAudioBufferDialogWithoutOwner) {
    WizardWorld world;
    OpenedWizard wizard;
    for (const char* button : {"cmdAudioBuffer1", "cmdAudioBuffer2"}) {
        SCOPED_TRACE(button);
        const QWidget* shown = nullptr;
        const WhenModalShows cancelling([&](QDialog& dialog) {
            shown = &dialog;
            click(dialog, "cmdCancel");
        });
        click(wizard.form, button);
        ASSERT_EQ(shown, &wizard.form.audioBufferForm());
        EXPECT_EQ(wizard.form.audioBufferForm().parentWidget(), nullptr);
    }
}

// The buttons whose handlers reach the engine or open a dialog that does.
constexpr const char* kEngineButtons[] = {"cmdMulawAudioTest",   "cmdADPCMAudioTest",    "cmdStartMike",
                                          "cmdAudioBuffer1",     "cmdAudioBuffer2",      "cmdAutoDiscover",
                                          "cmdTestAutoRetrieve", "cmdIPOverrideSettings"};

TEST(AudioTests, WhileTheToneTestPlaysTheEnginesButtonsAreIgnored) {
    const TestClockRunning clock;
    WizardWorld world;
    OpenedWizard wizard;
    const auto engine = world.engine();
    for (const char* button : kEngineButtons)
        control<QWidget>(wizard.form, button).setEnabled(true);
    engine->clearCalls();
    std::vector<std::string> opened;
    // A dialog that a click opens despite the guard is put away at once, so the test goes on to fail.
    const WhenModalShows closing([&](QDialog& dialog) {
        opened.push_back(dialog.objectName().toStdString());
        dialog.hide();
    });
    duringTheTest([&] { click(wizard.form, "cmdMulawAudioTest"); },
                  [&] {
                      for (const char* button : kEngineButtons)
                          click(wizard.form, button);
                  });
    EXPECT_EQ(engine->calls(), joined(puts("5", "2", "-1", "-1"), {"TestAudio(0, 1, 7000)"}));
    EXPECT_EQ(opened, std::vector<std::string>{});
    EXPECT_FALSE(wizard.form.busy());
}

TEST(AudioTests, FinishCancelAndTheCloseBoxDuringTheToneTestEndTheWizardWhenItReturns) {
    for (const char* how : {"Finish", "Cancel", "close box"}) {
        SCOPED_TRACE(how);
        const TestClockRunning clock;
        WizardWorld world;
        world.seed({{"Communications", "VuruvMac", "00:1A:2B:3C:4D:5E"}, {"Wizard", "FinishCheckBox", "False"}});
        OpenedWizard wizard;
        auto& form = wizard.form;
        std::vector<bool> busyAtEnd;
        QObject::connect(&form, &ConfigWizardForm::ended, [&] { busyAtEnd.push_back(form.busy()); });
        int endedMeanwhile = -1;
        bool visibleMeanwhile = false;
        duringTheTest([&] { click(form, "cmdADPCMAudioTest"); },
                      [&] {
                          const std::string end = how;
                          if (end == "Finish") click(form, "cmdFinish");
                          if (end == "Cancel") click(form, "cmdCancel");
                          if (end == "close box") form.close();
                          click(form, "cmdCancel"); // a second end asked for changes nothing
                          endedMeanwhile = wizard.ended;
                          visibleMeanwhile = form.isVisible();
                      });
        EXPECT_EQ(endedMeanwhile, 0);
        EXPECT_TRUE(visibleMeanwhile);
        EXPECT_EQ(busyAtEnd, std::vector<bool>{false});
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(world.engine(), nullptr) << "released after the test";
        EXPECT_EQ(world.stored()["Wizard\\AutoLaunch"], how == std::string("Finish") ? "False" : "");
    }
}

} // namespace
} // namespace kez::wizard::test
