// Both button classes on real controls (push button, check box, label box) and recorded face pictures, with
// their labels on real hive files.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <optional>

#include "kez/reg/registry.h"
#include "ombrel/bitmap_button.h"
#include "ombrel/registry.h"
#include "ombrel/simple_button.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

// What the face does with a picture, kept for the test to look at.
struct Picture : FacePicture {
    bool visible = false;
    bool enabled = true;
    int repaints = 0;
    std::string toolTip;
    std::int16_t helpTopic = 0;

    void show() override { visible = true; }
    void hide() override { visible = false; }
    void repaint() override { ++repaints; }
    void setEnabled(bool on) override { enabled = on; }
    void setToolTip(std::string_view text) override { toolTip = text; }
    void setHelpTopic(std::int16_t topic) override { helpTopic = topic; }
};

// One key on each form, made as the forms make them.
struct SimpleKey {
    QPushButton button;
    QCheckBox led;
    SimpleButtonClass object;

    explicit SimpleKey(KeyId key, std::string userDescription = {}) {
        const KeyInfo& info = *findKey(key);
        object.Initialize(key, info.type, button, info.hasLed() ? &led : nullptr, std::string(info.caption),
                          std::string(info.description), std::move(userDescription), 27, 28);
    }
    std::string caption() const { return button.text().toStdString(); }
    std::string toolTip() const { return button.toolTip().toStdString(); }
    bool ledLit() const { return led.isChecked(); }
};

struct BitmapKey {
    Picture up, down, ledOff, ledOn;
    QLineEdit labelBox;
    BitmapButtonClass object;

    explicit BitmapKey(KeyId key, std::string userDescription = {}) {
        const KeyInfo& info = *findKey(key);
        object.Initialize(key, info.type, up, down, info.hasLed() ? &ledOff : nullptr, info.hasLed() ? &ledOn : nullptr,
                          std::string(info.description), std::move(userDescription), 27, 28, &labelBox);
    }
    std::string caption() const { return labelBox.text().toStdString(); }
    std::string toolTip() const { return up.toolTip; }
    bool ledLit() const { return ledOn.visible && !ledOff.visible; }
};

void storeLabel(Hive hive, const char* subkey, const std::optional<std::string>& text) {
    if (text) gSetRegParam(hive, settingsKey(subkey), "65", *text);
}

template <class Key>
class Buttons : public ::testing::Test {
protected:
    test::OmbrelWorld world_;
};
using KeyKinds = ::testing::Types<SimpleKey, BitmapKey>;
TYPED_TEST_SUITE(Buttons, KeyKinds);

TYPED_TEST(Buttons, LedFollowsTheBlinkStepAndOtherStatesKeepTheLastLook) {
    TypeParam key(65);
    struct Row {
        int state;
        bool before;
        std::string_view lookOverSteps; // 'x' lit, '.' dark
    };
    for (const auto& row : {Row{0, true, "...."}, Row{1, false, "xx.."}, Row{2, false, "x.x."}, Row{3, false, "xxxx"},
                            Row{15, true, "...."}, Row{7, true, "xxxx"}, Row{7, false, "...."}, Row{16, true, "xxxx"},
                            Row{4, false, "...."}}) {
        key.object.eLEDState(row.before ? LEDState::On : LEDState::Off);
        key.object.RefreshLEDForStep(0);
        key.object.eLEDState(static_cast<LEDState>(row.state));
        for (std::int16_t step = 0; step < kBlinkSteps; ++step) {
            key.object.RefreshLEDForStep(step);
            EXPECT_EQ(key.ledLit() ? 'x' : '.', row.lookOverSteps[step]) << "state " << row.state << " step " << step;
        }
    }
}

TYPED_TEST(Buttons, LabelsMachineThenUserAndTheBuiltInToolTipWhenTheUserGaveNone) {
    struct Row {
        std::optional<std::string> machineCaption, machineDescription, userCaption, userDescription;
        std::string caption, toolTip;
    };
    const std::optional<std::string> none;
    for (const auto& row : {
             // Nothing stored: no caption, although the simple form offers "L1".
             Row{none, none, none, none, "", "System Appearance #1"},
             Row{"Sales", "Sales desk", none, none, "Sales", "Sales desk"},
             Row{"Sales", "Sales desk", "Mine", none, "Mine", "Sales desk"},
             Row{none, none, none, "Only mine", "", "Only mine"},
             Row{"Sales", "Sales desk", "Mine", "", "Mine", "System Appearance #1"},
         }) {
        test::OmbrelWorld world;
        storeLabel(Hive::LocalMachine, "ButtonCaptions", row.machineCaption);
        storeLabel(Hive::LocalMachine, "ButtonDescriptions", row.machineDescription);
        storeLabel(Hive::CurrentUser, "ButtonCaptions", row.userCaption);
        storeLabel(Hive::CurrentUser, "ButtonDescriptions", row.userDescription);
        TypeParam key(65);
        EXPECT_EQ(key.caption(), row.caption);
        EXPECT_EQ(key.toolTip(), row.toolTip);
    }
}

TYPED_TEST(Buttons, EditsLandInBothHivesOrTheUsersWhenTheMachineIsReadOnly) {
    for (const bool machineReadOnly : {false, true}) {
        test::OmbrelWorld world;
        reg::setReadOnly(Hive::LocalMachine, machineReadOnly);
        {
            TypeParam key(65);
            key.object.sCaption("Edited");
            key.object.sUserDescription("Edited tip");
            key.object.RefreshButton(nullptr);
        }
        const auto stored = [](Hive hive) {
            return gGetRegParamString(hive, settingsKey("ButtonCaptions"), "65", "-");
        };
        EXPECT_EQ(stored(Hive::LocalMachine), machineReadOnly ? "-" : "Edited");
        EXPECT_EQ(stored(Hive::CurrentUser), "Edited");
        TypeParam again(65);
        EXPECT_EQ(again.caption(), "Edited");
        EXPECT_EQ(again.toolTip(), "Edited tip");
    }
}

TYPED_TEST(Buttons, FixedAndDialKeysLeaveTheHivesUntouched) {
    gSetRegParam(Hive::LocalMachine, settingsKey("UI"), "Type", "0");
    gSetRegParam(Hive::CurrentUser, settingsKey("UI"), "Type", "0");
    const auto machineTime = std::filesystem::last_write_time(this->world_.machineFile());
    const auto userTime = std::filesystem::last_write_time(this->world_.userFile());
    for (const KeyId keyId : {5, 14, 22, 26}) {
        TypeParam key(keyId);
        key.object.RefreshButton(nullptr);
    }
    EXPECT_EQ(std::filesystem::last_write_time(this->world_.machineFile()), machineTime);
    EXPECT_EQ(std::filesystem::last_write_time(this->world_.userFile()), userTime);
}

TYPED_TEST(Buttons, AFailedStoreIsLoggedUnderTheMembersNameAndTheButtonKeepsItsState) {
    reg::setReadOnly(Hive::LocalMachine, true);
    reg::setReadOnly(Hive::CurrentUser, true);
    TypeParam key(65);
    key.object.sCaption("Kept");
    key.object.RefreshButton(nullptr);
    EXPECT_EQ(key.object.sCaption(), "Kept");
    const std::string className = std::is_same_v<TypeParam, SimpleKey> ? "SimpleButtonClass" : "BitmapButtonClass";
    const auto logged = "ERROR:  " + className + ".ButtonInterface_RefreshButton [5H] - RegCreateKeyEx Failure";
    // In Initialize and here: the log counts the repeat rather than writing it again.
    EXPECT_EQ(std::ranges::count(this->world_.logTexts(), logged), 1);
    EXPECT_EQ(key.object.sDump(), "65 - System Appearance #1");
}

TEST(SimpleButton, CaptionToolTipHelpTopicsAndAnLedTheUserCannotTick) {
    test::OmbrelWorld world;
    SimpleKey key(22);
    EXPECT_EQ(key.caption(), "Speaker");
    EXPECT_EQ(key.toolTip(), "Speaker button");
    EXPECT_EQ(key.button.property(kHelpTopicProperty).toInt(), 27);
    EXPECT_EQ(key.led.property(kHelpTopicProperty).toInt(), 28);
    EXPECT_TRUE(key.led.testAttribute(Qt::WA_TransparentForMouseEvents));
    key.object.bEnabled(false);
    EXPECT_FALSE(key.button.isEnabled());
}

TEST(BitmapButton, PicturesSwapOnPushAndBothKeyPicturesFollowEnabled) {
    test::OmbrelWorld world;
    BitmapKey key(17);
    EXPECT_EQ(key.up.helpTopic, 27);
    EXPECT_EQ(key.down.helpTopic, 27);
    EXPECT_EQ(key.ledOff.helpTopic, 28);
    EXPECT_EQ(key.ledOn.helpTopic, 28);
    EXPECT_EQ(key.object.labelBox(), nullptr); // a fixed key keeps no label box
    key.up.show();
    key.object.ImagePushDown();
    EXPECT_TRUE(key.down.visible && !key.up.visible && key.down.repaints == 1);
    key.object.ImagePushUp();
    EXPECT_TRUE(key.up.visible && !key.down.visible && key.up.repaints == 1);
    key.object.bEnabled(false);
    EXPECT_FALSE(key.up.enabled || key.down.enabled);
}

TEST(BitmapButton, RefreshShowsTheCaptionInTheLabelBoxItIsGiven) {
    test::OmbrelWorld world;
    BitmapKey key(49);
    QLineEdit other;
    key.object.sCaption("Park");
    key.object.RefreshButton(&other);
    EXPECT_EQ(other.text(), "Park");
    EXPECT_EQ(key.labelBox.text(), "");
}

} // namespace
} // namespace kez::ombrel
