// The audio buffer dialog's OK and Cancel on the wizard's settings object: the numbers' checks with their
// messages and lower bounds, rounding half to even, the device entries, and nothing written to the hives.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "audio_buffer_form.h"
#include "kez/com/safe_array.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

constexpr const char* kNumeric = "Buffer sizes must be numeric.";
constexpr const char* kDelay = "The delay value must be a number between 2 and 10.";
constexpr const char* kMultiplier = "The multiplier value must be a number between 1 and 10.";

QLineEdit& box(const QWidget& dialog, const char* name) { return control<QLineEdit>(dialog, name); }
QComboBox& list(const QWidget& dialog, const char* name) { return control<QComboBox>(dialog, name); }

TEST(AudioBufferForm, OkChecksBothNumbersThenStoresThemRoundedHalfToEven) {
    struct {
        const char* delay;
        const char* multiplier;
        const char* message; // null when accepted
        const char* delayAfter;
        const char* multiplierAfter;
        std::int16_t storedDelay;
        std::int16_t storedMultiplier;
    } const cases[] = {
        {"", "2", kNumeric, "", "2", 5, 2},           {".", "2", kNumeric, ".", "2", 5, 2},
        {"2.5.1", "2", kNumeric, "2.5.1", "2", 5, 2}, {"3", "", kNumeric, "3", "", 5, 2},
        {"1e1", "2", kNumeric, "1e1", "2", 5, 2},     {"1", "2", kDelay, "2", "2", 5, 2},
        {"11", "2", kDelay, "2", "2", 5, 2},          {"10.5", "2", kDelay, "2", "2", 5, 2},
        {"3", "0", kMultiplier, "3", "1", 5, 2},      {"3", "11", kMultiplier, "3", "1", 5, 2},
        {"1", "0", kDelay, "2", "0", 5, 2},           {"2", "1", nullptr, "2", "1", 2, 1},
        {"10", "10", nullptr, "10", "10", 10, 10},    {" 2.5 ", "3.5", nullptr, " 2.5 ", "3.5", 2, 4},
        {"9.5", "1.5", nullptr, "9.5", "1.5", 10, 2},
    };
    WizardWorld world;
    // Present already, the flag that the start's write check rewrites leaves the hive as it was.
    world.seed({{"Audio", "AudioBufferSize", "5"},
                {"Audio", "AudioBufferMultiplier", "2"},
                {"Safety", "InitializedProperly", "True"}});
    const auto machine = world.machineBytes();
    const auto user = world.userBytes();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.delay) + " / " + c.multiplier);
        OpenedWizard wizard;
        auto& dialog = wizard.form.audioBufferForm();
        dialog.show();
        world.clearBoxes();
        box(dialog, "txtAudioBufferSize").setText(c.delay);
        box(dialog, "txtMultiplier").setText(c.multiplier);
        control<QPushButton>(dialog, "cmdOkay").click();
        EXPECT_EQ(boxTexts(world.boxes()),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        if (c.message) {
            EXPECT_EQ(world.boxes().front().icon, ui::Icon::Information);
            EXPECT_EQ(world.boxes().front().title, "OmbrelWizard");
        }
        EXPECT_EQ(dialog.isVisible(), c.message != nullptr);
        EXPECT_EQ(box(dialog, "txtAudioBufferSize").text(), c.delayAfter);
        EXPECT_EQ(box(dialog, "txtMultiplier").text(), c.multiplierAfter);
        EXPECT_EQ(wizard.form.oOptions()->lAudioBufferSize, c.storedDelay);
        EXPECT_EQ(wizard.form.oOptions()->lAudioBufferMultiplier, c.storedMultiplier);
    }
    EXPECT_EQ(world.machineBytes(), machine);
    EXPECT_EQ(world.userBytes(), user);
}

TEST(AudioBufferForm, OkStoresTheDefaultEntryAsMinusOneAndEachDeviceAsItsIndex) {
    struct {
        int recordPosition;
        int playPosition;
        std::int16_t record;
        std::int16_t play;
    } const cases[] = {{0, 1, -1, 0}, {1, 0, 0, -1}, {-1, -1, -1, -1}}; // no selection: the default device
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recordPosition);
        WizardWorld world;
        world.seed({{"Audio", "PlayAdapter", "-1"}, {"Audio", "RecordAdapter", "0"}});
        OpenedWizard wizard;
        auto& dialog = wizard.form.audioBufferForm();
        list(dialog, "cboRecordAdapters").setCurrentIndex(c.recordPosition);
        list(dialog, "cboPlayAdapters").setCurrentIndex(c.playPosition);
        control<QPushButton>(dialog, "cmdOkay").click();
        EXPECT_EQ(wizard.form.oOptions()->nRecordAdapterIndex, c.record);
        EXPECT_EQ(wizard.form.oOptions()->nPlayAdapterIndex, c.play);
    }
}

TEST(AudioBufferForm, CancelEscapeAndTheCloseBoxPutTheStoredValuesBack) {
    for (const char* how : {"Cancel", "Escape", "close box"}) {
        SCOPED_TRACE(how);
        WizardWorld world;
        world.seed({{"Audio", "AudioBufferSize", "4"},
                    {"Audio", "AudioBufferMultiplier", "3"},
                    {"Audio", "PlayAdapter", "0"},
                    {"Audio", "RecordAdapter", "-1"}});
        OpenedWizard wizard;
        auto& dialog = wizard.form.audioBufferForm();
        dialog.show();
        box(dialog, "txtAudioBufferSize").setText("7");
        box(dialog, "txtMultiplier").setText("9");
        list(dialog, "cboPlayAdapters").setCurrentIndex(0);
        list(dialog, "cboRecordAdapters").setCurrentIndex(1);
        if (how == std::string("Cancel")) control<QPushButton>(dialog, "cmdCancel").click();
        if (how == std::string("Escape")) QTest::keyClick(&dialog, Qt::Key_Escape);
        if (how == std::string("close box")) dialog.close();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(box(dialog, "txtAudioBufferSize").text(), "4");
        EXPECT_EQ(box(dialog, "txtMultiplier").text(), "3");
        EXPECT_EQ(list(dialog, "cboPlayAdapters").currentIndex(), 1);
        EXPECT_EQ(list(dialog, "cboRecordAdapters").currentIndex(), 0);
        EXPECT_EQ(wizard.form.oOptions()->lAudioBufferSize, 4);
        EXPECT_EQ(wizard.form.oOptions()->nRecordAdapterIndex, -1);
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(AudioBufferForm, WithoutRecordingDevicesOnlyTheDefaultEntryIsOffered) {
    WizardWorld world;
    world.engines.prepare([](ombrel::testing::FakeEngine& engine) {
        engine.setProperty("varAdapters", com::SafeArray::fromTexts({"Intel PRO/1000 MT"}));
        engine.setProperty("varPlayAdapters", com::SafeArray::fromTexts({"HDA Intel PCH: ALC3246 Analog"}));
        engine.setProperty("varRecordAdapters", com::SafeArray::fromTexts({}));
    });
    OpenedWizard wizard;
    ASSERT_TRUE(wizard.initialised);
    const auto& records = list(wizard.form.audioBufferForm(), "cboRecordAdapters");
    ASSERT_EQ(records.count(), 1);
    EXPECT_EQ(records.itemText(0), "< Use default adapter >");
    EXPECT_EQ(records.currentIndex(), 0);
    EXPECT_FALSE(records.isEditable());
    EXPECT_FALSE(list(wizard.form.audioBufferForm(), "cboPlayAdapters").isEditable());
}

} // namespace
} // namespace kez::wizard::test
