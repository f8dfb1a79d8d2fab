// The Options dialog offscreen on real hive files with a recording owner: every check of OK, the beep test, the
// mixer capture, what is stored and when, the warnings, and the captions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "forms_test_kit.h"
#include "kez/reg/registry.h"
#include "ombrel/options.h"
#include "ombrel/options_dialog_form.h"
#include "ombrel/registry.h"

namespace kez::ombrel {
namespace {

namespace fs = std::filesystem;

class RecordingOptionsOwner : public OptionsOwner {
public:
    explicit RecordingOptionsOwner(OptionsClass& options) : options_(options) {}
    OptionsClass& oOptions() override { return options_; }
    void TestBeep(std::int32_t f, std::int32_t d) override {
        calls.push_back("TestBeep(" + std::to_string(f) + ", " + std::to_string(d) + ")");
    }
    bool InitializeMixerState() override {
        calls.emplace_back("InitializeMixerState");
        return mixerSaved;
    }
    bool bEngineExists() const override { return engine; }

    std::vector<std::string> calls;
    bool mixerSaved = true;
    bool engine = true;

private:
    OptionsClass& options_;
};

// A dialog over settings that pass every check, shown.
struct Shown {
    test::FormsWorld world;
    std::optional<OptionsClass> options;
    std::optional<RecordingOptionsOwner> owner;
    OptionsDialogForm form;

    explicit Shown(bool machineReadOnly = false, bool engine = true) {
        gSetRegParam(Hive::LocalMachine, settingsKey("Communications"), "VuruvMac", "00:11:22:33:44:55");
        reg::setReadOnly(Hive::LocalMachine, machineReadOnly);
        options.emplace();
        options->LoadSettings();
        owner.emplace(*options);
        owner->engine = engine;
    }
    ~Shown() { reg::setReadOnly(Hive::LocalMachine, false); }
    void open() {
        form.bInitialize(*owner);
        form.show();
    }
    QLineEdit& box(const char* name) { return test::child<QLineEdit>(form, name); }
    QCheckBox& check(const char* name) { return test::child<QCheckBox>(form, name); }
    void press(const char* name) { test::child<QPushButton>(form, name).click(); }
    int tab() { return test::child<QTabWidget>(form, "tabOptions").currentIndex(); }
    std::string machine() const { return world.exportSettings("HKLM"); }
};

struct CheckRow {
    const char* name;
    const char* control; // a text box, or a check box to tick
    const char* value;
    const char* message;
    const char* title;
    int tab;
    bool focus;
    const char* reset; // the control's text afterwards, or null when it keeps the value
};

TEST(OptionsDialog, OkChecksEveryEntryInTurnAndKeepsTheDialogOpenOnTheFirstFailure) {
    const CheckRow rows[] = {
        {"delay not numeric", "txtAudioBufferSize", "x", "Buffer sizes must be numeric.", "Error", 2, false, nullptr},
        {"delay 12", "txtAudioBufferSize", "12", "The delay value must be a number between 2 and 10 .", "Error", 2,
         false, "2"},
        {"multiplier 0", "txtMultiplier", "0", "The multiplier value must be a number between 1 and 10 .", "Error", 2,
         false, "1"},
        {"frequency empty", "txtBeepFrequency", "", "Audio Warning parameters must be numeric.", "Error", 2, false,
         nullptr},
        {"frequency 99", "txtBeepFrequency", "99", "Audio Warning Frequency must be a number between 100 and 8000.",
         "Error", 2, false, nullptr},
        {"frequency past every integer", "txtBeepFrequency", "99999999999999999999",
         "Audio Warning Frequency must be a number between 100 and 8000.", "Error", 2, false, nullptr},
        {"duration 5001", "txtBeepDuration", "5001", "Audio Warning Duration must be a number between 0 and 5000.",
         "Error", 2, false, nullptr},
        {"call-server IP", "txtVuruvIPAddress", "1.2.3", "Invalid KEZ system IP address.", "Error", 1, false, nullptr},
        {"no version", "txtVuruvIPAddress", "198.18.0.9", "Please select the version of the KEZ system.", "Ombrel", 2,
         false, nullptr},
        {"MAC empty", "txtVuruvMacAddress", "", "Invalid KEZ system MAC address.", "Error", 1, false, nullptr},
        {"layer 3 without IP", "chkForceLayer3", nullptr, "Cannot force to layer 3 without the KEZ system IP Address.",
         "Error", 1, false, nullptr},
        {"PC IP", "txtRirovuruzIPAddress", "", "You must enter a valid \"IP Address\".", "Ombrel", 1, true, nullptr},
        {"PC mask", "txtRirovuruzSubnetMask", "300.0.0.0", "You must enter a valid \"Subnet mask\" IP Address.",
         "Ombrel", 1, true, nullptr},
        {"PC gateway", "txtRirovuruzGateway", " ", "You must enter a valid \"Default gateway\" IP Address.", "Ombrel",
         1, true, nullptr},
    };
    for (const auto& row : rows) {
        Shown shown;
        shown.open();
        QApplication::setActiveWindow(&shown.form);
        test::child<QRadioButton>(shown.form, "optOverrideIPInfo").setChecked(true);
        if (row.value) {
            shown.box(row.control).setText(row.value);
        } else {
            shown.check(row.control).setChecked(true);
        }
        shown.press("cmdOkay");
        const auto boxes = shown.world.boxes();
        ASSERT_FALSE(boxes.empty()) << row.name;
        EXPECT_EQ(boxes.back().text, row.message) << row.name;
        EXPECT_EQ(boxes.back().title, row.title) << row.name;
        EXPECT_EQ(boxes.back().icon, ui::Icon::Information) << row.name;
        EXPECT_EQ(shown.tab(), row.tab) << row.name;
        EXPECT_TRUE(shown.form.isVisible()) << row.name;
        if (row.focus) {
            EXPECT_TRUE(shown.box(row.control).hasFocus()) << row.name;
        }
        if (row.reset) {
            EXPECT_EQ(shown.box(row.control).text(), row.reset) << row.name;
        }
    }
}

TEST(OptionsDialog, DurationZeroIsANoticeAndTheRestIsStored) {
    Shown shown;
    shown.open();
    shown.box("txtBeepDuration").setText("0");
    shown.press("cmdOkay");
    ASSERT_EQ(shown.world.boxes().size(), 1u);
    EXPECT_EQ(shown.world.boxes()[0].text, "Audio Warning has been disabled by setting duration to zero.");
    EXPECT_FALSE(shown.form.isVisible());
    EXPECT_TRUE(shown.form.bDirty);
    EXPECT_EQ(shown.options->lBeepDuration, 0);
    EXPECT_NE(shown.machine().find("\"BeepDuration\"=sz:\"0\""), std::string::npos);
}

struct BeepRow {
    const char* frequency;
    const char* duration;
    const char* message; // null: the beep sounds
};

TEST(OptionsDialog, TheBeepTestChecksTheTypedValuesAndSoundsThem) {
    const BeepRow rows[] = {
        {"abc", "100", "Audio Warning parameters must be numeric."},
        {"50", "100", "Audio Warning Frequency must be a number between 100 and 8000."},
        {"1000", "6000", "Audio Warning Duartion must be a number between 0 and 5000."},
        {"1000", "0", "Audio Warning has been disabled by setting duration to zero."},
        {"1000.6", "250.4", nullptr},
    };
    for (const auto& row : rows) {
        Shown shown;
        shown.open();
        shown.box("txtBeepFrequency").setText(row.frequency);
        shown.box("txtBeepDuration").setText(row.duration);
        shown.press("cmdBeepTest");
        EXPECT_EQ(shown.tab(), 0) << row.frequency;
        if (row.message) {
            ASSERT_EQ(shown.world.boxes().size(), 1u) << row.frequency;
            EXPECT_EQ(shown.world.boxes()[0].text, row.message);
            EXPECT_EQ(shown.world.boxes()[0].title, "Error");
            EXPECT_TRUE(shown.owner->calls.empty()) << row.frequency;
        } else {
            EXPECT_TRUE(shown.world.boxes().empty());
            EXPECT_EQ(shown.owner->calls, std::vector<std::string>{"TestBeep(1001, 250)"});
        }
    }
}

TEST(OptionsDialog, MixerSavedIsSaidOnlyAfterACaptureThatWorkedAndNeedsAnEngine) {
    for (const bool saved : {true, false}) {
        Shown shown;
        shown.owner->mixerSaved = saved;
        shown.open();
        shown.press("cmdCaptureMixer");
        EXPECT_EQ(shown.owner->calls, std::vector<std::string>{"InitializeMixerState"});
        ASSERT_EQ(shown.world.boxes().size(), saved ? 1u : 0u);
        if (saved) {
            EXPECT_EQ(shown.world.boxes()[0].text, "Saved \"Mixer Settings\"");
        }
        EXPECT_FALSE(shown.form.bDirty || shown.form.bDirtyUserHKCU);
    }
    Shown engineless(false, false);
    engineless.open();
    EXPECT_FALSE(test::child<QPushButton>(engineless.form, "cmdCaptureMixer").isEnabled());
    EXPECT_FALSE(test::child<QPushButton>(engineless.form, "cmdBeepTest").isEnabled());
}

TEST(OptionsDialog, OkWithoutAChangeWritesNothingAndTheSliderAloneSavesAndMarksARestart) {
    Shown shown;
    OptionsClass(*shown.options).SaveSettings(false);
    const auto before = fs::last_write_time(shown.world.machineFile());
    shown.open();
    shown.press("cmdOkay");
    EXPECT_FALSE(shown.form.isVisible());
    EXPECT_EQ(fs::last_write_time(shown.world.machineFile()), before);
    EXPECT_FALSE(shown.form.bDirty);

    shown.open();
    test::child<QSlider>(shown.form, "sldDTMFVolume").setValue(40);
    EXPECT_EQ(test::child<QLabel>(shown.form, "lblVolLevel").text(), "40");
    shown.press("cmdOkay");
    EXPECT_TRUE(shown.form.bDirty);
    EXPECT_EQ(gGetRegParamInteger(Hive::CurrentUser, settingsKey("Audio"), "ToneVolume", 0), 40);
}

TEST(OptionsDialog, AReadOnlyMachineHiveDropsMachineChangesButStoresThePerUserOnes) {
    {
        Shown shown(true);
        const std::string before = kez::test::readFile(shown.world.machineFile());
        shown.open();
        shown.check("chkClickDTMF").setChecked(true);
        shown.press("cmdOkay");
        ASSERT_EQ(shown.world.boxes().size(), 1u);
        EXPECT_EQ(shown.world.boxes()[0].text, "Failed to save your settings. Please check your user privileges.");
        EXPECT_FALSE(shown.form.isVisible());
        EXPECT_FALSE(shown.form.bDirty);
        EXPECT_FALSE(shown.options->bClickDTMF);
        EXPECT_EQ(kez::test::readFile(shown.world.machineFile()), before);
    }
    Shown shown(true);
    shown.open();
    shown.check("chkDisplayPopup").setChecked(false);
    shown.press("cmdOkay");
    EXPECT_TRUE(shown.world.boxes().empty());
    EXPECT_FALSE(shown.form.isVisible());
    EXPECT_FALSE(gGetRegParamBoolean(Hive::CurrentUser, settingsKey("Communications"), "IncomingCallPopup", true));
}

TEST(OptionsDialog, NoneStoresVersionOneAndLoadsBackAsNone) {
    Shown shown;
    shown.options->nXAVVersion = 3;
    shown.open();
    EXPECT_EQ(test::child<QComboBox>(shown.form, "cboXAVVersion").currentText(), "R3.X.X");
    test::child<QComboBox>(shown.form, "cboXAVVersion").setCurrentIndex(0);
    shown.press("cmdOkay");
    EXPECT_EQ(shown.options->nXAVVersion, 1);
    EXPECT_EQ(gGetRegParamInteger(Hive::LocalMachine, settingsKey("Communications"), "XAVVersion", 0), 1);
    shown.open();
    EXPECT_EQ(test::child<QComboBox>(shown.form, "cboXAVVersion").currentText(), "(None)");
}

TEST(OptionsDialog, LoadingWarnsOfNothingAndTheUsersChoicesWarnOnce) {
    Shown shown;
    shown.options->bForceLayer3 = true;
    shown.options->bShareWave = true;
    shown.options->nProcessPriorityLevel = 2;
    shown.open();
    EXPECT_TRUE(shown.world.boxes().empty());
    EXPECT_FALSE(shown.form.bDirty);
    EXPECT_EQ(test::child<QComboBox>(shown.form, "cboPriority").currentText(), "High");
    shown.check("chkShareWave").setChecked(false);
    shown.check("chkShareWave").setChecked(true);
    test::child<QComboBox>(shown.form, "cboPriority").setCurrentIndex(2);
    ASSERT_EQ(shown.world.boxes().size(), 2u);
    EXPECT_EQ(shown.world.boxes()[0].icon, ui::Icon::Exclamation);
    EXPECT_EQ(shown.world.boxes()[0].title, "Ombrel");
    EXPECT_EQ(shown.world.boxes()[1].text, "Changing the priority level of Ombrel will allow it to get more \r\nCPU "
                                           "time which may cause other applications to run slower.");
    EXPECT_TRUE(shown.form.bDirty);
}

TEST(OptionsDialog, TheFaceSizeAppliesAtOkOnly) {
    Shown shown;
    setFaceImages(2);
    shown.open();
    test::child<QRadioButton>(shown.form, "optLargeKzSet").setChecked(true);
    EXPECT_EQ(faceImages().ImagePath, "\\bitmaps\\smallkzset\\");
    shown.press("cmdCancel");
    EXPECT_TRUE(shown.form.bCancel);
    EXPECT_FALSE(shown.form.bDirty);
    EXPECT_EQ(shown.options->nUIType, 2);
    EXPECT_EQ(faceImages().ImagePath, "\\bitmaps\\smallkzset\\");
    shown.open();
    test::child<QRadioButton>(shown.form, "optLargeKzSet").setChecked(true);
    shown.press("cmdOkay");
    EXPECT_EQ(shown.options->nUIType, 1);
    EXPECT_EQ(faceImages().ImagePath, "\\bitmaps\\bigkzset\\");
}

TEST(OptionsDialog, OverrideAddressesAreStoredOnlyWhileOverrideIsChosen) {
    Shown shown;
    shown.options->sLocalIP = "198.18.0.5";
    shown.open();
    EXPECT_EQ(shown.box("txtRirovuruzIPAddress").text(), "198.18.0.5");
    EXPECT_FALSE(shown.box("txtRirovuruzIPAddress").isEnabled());
    shown.check("chkClickDTMF").setChecked(true);
    shown.press("cmdOkay");
    EXPECT_EQ(shown.options->sOverriddenRirovuruzIPAddress, "111.111.111.111");

    shown.open();
    test::child<QRadioButton>(shown.form, "optOverrideIPInfo").setChecked(true);
    EXPECT_EQ(shown.box("txtRirovuruzIPAddress").text(), "111.111.111.111");
    shown.box("txtRirovuruzIPAddress").setText("198.18.0.7");
    shown.press("cmdOkay");
    EXPECT_FALSE(shown.options->bReadIPInfoAutomatically);
    EXPECT_EQ(shown.options->sOverriddenRirovuruzIPAddress, "198.18.0.7");
    EXPECT_EQ(gGetRegParamString(Hive::LocalMachine, settingsKey("Communications"), "RirovuruzIP", ""), "198.18.0.7");
}

TEST(OptionsDialog, TheWizardButtonDropsTheEditsAndAsksForTheWizard) {
    Shown shown;
    shown.open();
    shown.check("chkClickDTMF").setChecked(true);
    shown.press("cmdWizard");
    EXPECT_TRUE(shown.form.bLaunchWizard);
    EXPECT_FALSE(shown.form.bDirty);
    EXPECT_FALSE(shown.options->bClickDTMF);
    EXPECT_FALSE(shown.form.isVisible());
}

TEST(OptionsDialog, EveryCaption) {
    Shown shown;
    shown.open();
    const std::pair<const char*, const char*> captions[] = {
        {"optWindows", "&Windows style"},
        {"optLargeKzSet", "&Large KzSet style"},
        {"optSmallKzSet", "&Small KzSet style"},
        {"chkTransparent", "Default to transparent background?"},
        {"chkUseKEZTime", "LCD uses KEZ system time and date"},
        {"chkDisplayPopup", "Pop-up for incoming calls (Win 9x && NT)"},
        {"chkClickDTMF", "Substitute For DTMF Tones"},
        {"chkSuppressStandby", "Prevent Machine From Entering Standby Mode"},
        {"optReadIPInfoAutomatically", "Read automatically from computer (recommended)"},
        {"optOverrideIPInfo", "Override IP info with the following:"},
        {"cmdBeepTest", "Test"},
        {"chkShareWave", "Share audio hardware"},
        {"chkMixerControl", "Control Mixer"},
        {"cmdCaptureMixer", "Save Mixer Settings"},
        {"chkAllMulticasts", "Accept All Multicasts"},
        {"chkForceLayer3", "Force Layer 3 (IP)"},
        {"cmdOkay", "&OK"},
        {"cmdCancel", "&Cancel"},
        {"cmdWizard", "Configuration Wi&zard..."},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(test::child<QAbstractButton>(shown.form, name).text(), caption) << name;
    EXPECT_EQ(shown.form.windowTitle(), "Options...");
    EXPECT_EQ(test::child<QPushButton>(shown.form, "cmdWizard").toolTip(), "Launch wizard");
    auto& tabs = test::child<QTabWidget>(shown.form, "tabOptions");
    EXPECT_EQ(tabs.tabText(0) + tabs.tabText(1) + tabs.tabText(2), "&Display&Network&Advanced");
    EXPECT_TRUE(test::child<QLabel>(shown.form, "lblUIStyle").text().startsWith("Use this setting to switch between"));
    EXPECT_EQ(test::child<QLabel>(shown.form, "lblXAVVersion").text(), "KEZ system Version:");
    const auto items = [&](const char* name) {
        QStringList list;
        const auto& combo = test::child<QComboBox>(shown.form, name);
        for (int i = 0; i < combo.count(); ++i)
            list << combo.itemText(i);
        return list.join(",").toStdString();
    };
    EXPECT_EQ(items("cboXAVVersion"), "(None),R2.X.X,R3.X.X,R4.X.X");
    EXPECT_EQ(items("cboPriority"), "Normal,High,Real-Time");
    EXPECT_EQ(shown.box("txtVuruvMacAddress").maxLength(), 17);
    EXPECT_EQ(shown.box("txtVuruvIPAddress").maxLength(), 15);
    EXPECT_EQ(shown.box("txtSharedDelayTime").maxLength(), 1);
}

} // namespace
} // namespace kez::ombrel
