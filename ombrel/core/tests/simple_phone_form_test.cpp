// The simple phone form offscreen, driven by a recording owner: its key table, mouse and keyboard, menus, closing,
// minimising and the display colours.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QtTest/qtestspontaneevent.h>

#include <filesystem>
#include <string>
#include <vector>

#include "eventually.h"
#include "forms_test_kit.h"
#include "kez/ui/launcher.h"
#include "ombrel/about_form.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/simple_button.h"
#include "ombrel/simple_phone_form.h"
#include "ombrel/testing/recording_owner.h"
#include "temp_dir.h"

namespace kez::ombrel {
namespace {

namespace fs = std::filesystem;

struct ShownForm {
    test::FormsWorld world;
    OptionsClass options;
    testing::RecordingOwner owner{options};
    SimplePhoneForm form;
    std::vector<std::string> events;

    ShownForm() {
        options.LoadSettings();
        form.Initialize(owner, owner.buttons, owner.leds);
        QObject::connect(&form, &PhoneForm::ButtonDown, [this](std::int16_t button, KeyId key) {
            events.push_back("down " + std::to_string(button) + " " + keyTag(key));
        });
        QObject::connect(&form, &PhoneForm::ButtonUp, [this](KeyId key) { events.push_back("up " + keyTag(key)); });
        QObject::connect(&form, &PhoneForm::DisplayOptions, [this] { events.emplace_back("options"); });
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    QPushButton& key(const char* name) { return test::child<QPushButton>(form, name); }
    void trigger(const char* action) { test::child<QAction>(form, action).trigger(); }
    // Whether the form took the event as its own.
    bool send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {}, std::uint32_t scanCode = 0,
              bool repeat = false) {
        QKeyEvent event(type, key, modifiers, scanCode, 0, 0, QString(), repeat);
        QApplication::sendEvent(&form, &event);
        return event.isAccepted();
    }
    // Where the control is in the form's window, as the pointer reaches it.
    QPoint at(const QWidget& control) const { return control.mapTo(&form, control.rect().center()); }
};

struct KeyRow {
    std::string control;
    std::string led; // empty: none
};

std::string indexed(const char* name, int index) { return name + ("_" + std::to_string(index)); }

// The form's controls in the key table's order.
std::vector<KeyRow> keyControls() {
    std::vector<KeyRow> rows;
    for (const int key : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15})
        rows.push_back({indexed("cmdDTMF", key), ""});
    for (int i = 0; i < 12; ++i)
        rows.push_back({indexed("cmdLButtons", i), indexed("chkLButtons", i)});
    for (int i = 0; i < 6; ++i)
        rows.push_back({indexed("cmdFButton", i), ""});
    rows.insert(rows.end(), {{"cmdFixed_0", "chkProgram"},
                             {"cmdFixed_1", "chkFixed_0"},
                             {"cmdFixed_2", "chkFixed_1"},
                             {"cmdFixed_3", "chkFixed_2"},
                             {"cmdFixed_4", "chkFixed_3"},
                             {"cmdFixed_5", ""},
                             {"cmdFixed_6", ""},
                             {"cmdBFButton_0", "chkSpeaker"}});
    for (int i = 1; i < 5; ++i)
        rows.push_back({indexed("cmdBFButton", i), ""});
    for (int i = 0; i < 5; ++i)
        rows.push_back({indexed("cmdDisplay", i), ""});
    return rows;
}

TEST(SimplePhoneForm, InitializeBuildsTheKeyTableInOrderWithTagsAndHelpNumbers) {
    ShownForm shown;
    EXPECT_EQ(shown.form.windowTitle(), "KEZ Ombrel (TM)");
    const auto rows = keyControls();
    const auto keys = keyTable();
    ASSERT_EQ(rows.size(), keys.size());
    ASSERT_EQ(shown.owner.buttons.count(), 47u);
    ASSERT_EQ(shown.owner.leds.count(), 18u);
    std::size_t led = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const KeyRow& row = rows[i];
        const KeyInfo& key = keys[i];
        const auto& button = shown.owner.buttons.item(i + 1);
        EXPECT_EQ(button->nKeyId(), key.key) << row.control;
        const auto& control = shown.key(row.control.c_str());
        EXPECT_EQ(control.property(kTagProperty).toString().toStdString(), keyTag(key.key)) << row.control;
        EXPECT_EQ(control.property(kHelpTopicProperty).toInt(), key.keyHelpTopic) << row.control;
        EXPECT_EQ(control.focusPolicy(), Qt::NoFocus) << row.control;
        EXPECT_EQ(row.led.empty(), !key.hasLed()) << row.control;
        if (row.led.empty()) continue;
        EXPECT_EQ(shown.owner.leds.item(++led), button) << row.led;
        const auto& box = test::child<QCheckBox>(shown.form, row.led.c_str());
        EXPECT_EQ(box.property(kTagProperty).toString().toStdString(), keyTag(key.key)) << row.led;
        EXPECT_EQ(box.property(kHelpTopicProperty).toInt(), key.ledHelpTopic) << row.led;
    }
    EXPECT_EQ(shown.key("cmdDTMF_5").text(), "&5");
    EXPECT_EQ(shown.key("cmdFixed_1").toolTip(), "Forward to voicemail button");
}

TEST(SimplePhoneForm, MousePressesRaiseTheirButtonAndTheLedsCannotBeTicked) {
    ShownForm shown;
    QWindow* window = shown.form.windowHandle();
    QTest::mousePress(window, Qt::RightButton, {}, shown.at(shown.key("cmdLButtons_0")));
    QTest::mouseRelease(window, Qt::RightButton, {}, shown.at(shown.key("cmdLButtons_0")));
    QTest::mouseClick(window, Qt::LeftButton, {}, shown.at(shown.key("cmdDTMF_7")));
    auto& led = test::child<QCheckBox>(shown.form, "chkLButtons_0");
    QTest::mouseClick(window, Qt::LeftButton, {}, shown.at(led));
    EXPECT_EQ(shown.events, (std::vector<std::string>{"down 2 65", "up 65", "down 1 7", "up 7"}));
    EXPECT_FALSE(led.isChecked());
    EXPECT_TRUE(shown.form.hasFocus());
}

TEST(SimplePhoneForm, ShortcutsPressAndReleaseAndEveryKeyButAltLettersIsConsumed) {
    ShownForm shown;
    EXPECT_TRUE(shown.send(QEvent::KeyPress, Qt::Key_Asterisk, Qt::ShiftModifier));
    EXPECT_TRUE(shown.send(QEvent::KeyRelease, Qt::Key_Asterisk, Qt::ShiftModifier));
    EXPECT_TRUE(shown.send(QEvent::KeyPress, Qt::Key_F12));
    EXPECT_TRUE(shown.send(QEvent::KeyPress, Qt::Key_Percent, Qt::ShiftModifier));
    EXPECT_TRUE(shown.send(QEvent::KeyPress, Qt::Key_Tab));
    EXPECT_FALSE(shown.send(QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier));
    // A held key: X repeats it as release and press pairs.
    shown.send(QEvent::KeyPress, Qt::Key_5, {}, 14);
    shown.send(QEvent::KeyRelease, Qt::Key_5, {}, 14, true);
    shown.send(QEvent::KeyPress, Qt::Key_5, {}, 14, true);
    shown.send(QEvent::KeyRelease, Qt::Key_5, {}, 14);
    // The release waits a moment for a repeat that may follow it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.events.size() == 6; }, 10000));
    EXPECT_EQ(shown.events,
              (std::vector<std::string>{"down 1 14", "up 14", "down 1 76", "down 1 5", "down 1 5", "up 5"}));
    EXPECT_TRUE(shown.form.hasFocus());
}

TEST(SimplePhoneForm, AKeyHeldWhenTheWindowLosesTheKeyboardIsReleased) {
    ShownForm shown;
    shown.send(QEvent::KeyPress, Qt::Key_H, {}, 43);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&shown.form, &deactivate);
    EXPECT_EQ(shown.events, (std::vector<std::string>{"down 1 18", "up 18"}));
}

TEST(SimplePhoneForm, TheCloseBoxAsksTheOwnerAnyOtherCloseShutsDownOnce) {
    ShownForm shown;
    // What the window manager's close gives.
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    QApplication::instance()->notify(&shown.form, &closeBox);
    EXPECT_TRUE(shown.form.isVisible());
    EXPECT_EQ(shown.owner.calls, (std::vector<std::string>{"UserFileExit"}));
    EXPECT_TRUE(shown.form.close());
    shown.form.show();
    shown.form.close();
    EXPECT_FALSE(shown.form.isVisible());
    EXPECT_EQ(shown.owner.calls, (std::vector<std::string>{"UserFileExit", "Shutdown"}));
}

TEST(SimplePhoneForm, MinimisingHidesOnlyWhileTheTrayIconShows) {
    for (const bool tray : {true, false}) {
        ShownForm shown;
        shown.owner.trayIconShown = tray;
        shown.form.showMinimized();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(shown.form.isVisible(), !tray) << tray;
    }
}

TEST(SimplePhoneForm, MenusCallTheOwnerAndRaiseDisplayOptions) {
    ShownForm shown;
    auto& options = test::child<QAction>(shown.form, "mnuToolsOptions");
    for (const bool allowed : {false, true}) {
        shown.form.SetPhoneBusy(allowed);
        EXPECT_EQ(options.isEnabled(), allowed);
    }
    for (const char* action : {"mnuToolsOptions", "mnuSysOptions", "mnuSysRestore", "mnuSysExit", "mnuFileExit",
                               "mnuHelpReleaseNotes", "mnuHelpAbout", "mnuHelpAbout"})
        shown.trigger(action);
    EXPECT_EQ(shown.events, (std::vector<std::string>{"options", "options"}));
    EXPECT_EQ(shown.owner.calls, (std::vector<std::string>{"ActivateUI(True)", "ActivateUI(True)", "UserFileExit",
                                                           "UserFileExit", "LaunchReleaseNotes"}));
    int abouts = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        abouts += window->objectName() == "AboutForm" && window->isVisible();
    EXPECT_EQ(abouts, 1);
    EXPECT_EQ(&shown.form.mnuSysRestore(), &test::child<QAction>(shown.form, "mnuSysRestore"));
}

TEST(SimplePhoneForm, HelpContentsOpensThePageOfTheConfiguredCountry) {
    ShownForm shown;
    const kez::test::TempDir scratch("kez-help");
    const fs::path page = scratch / "data" / "help" / "french" / "index.html";
    fs::create_directories(page.parent_path());
    kez::test::writeFile(page, "<html></html>\n");
    fs::create_directories(scratch / "bin");
    kez::test::writeFile(scratch / "bin" / "xdg-open", "#!/bin/sh\necho \"$@\" > \"$0.args\"\n");
    fs::permissions(scratch / "bin" / "xdg-open", fs::perms::owner_all);
    const kez::test::ScopedEnv data("KEZ_DATA_DIR", (scratch / "data").string());
    const kez::test::ScopedEnv path("PATH", (scratch / "bin").string() + ":" + std::getenv("PATH"));
    gSetRegParam(Hive::LocalMachine, settingsKey("Communications"), "Country", "2");
    shown.trigger("mnuHelpContents");
    EXPECT_TRUE(kez::test::eventually([&] { return fs::exists(scratch / "bin" / "xdg-open.args"); }));
    EXPECT_EQ(kez::test::readFile(scratch / "bin" / "xdg-open.args"), page.string() + "\n");

    gSetRegParam(Hive::LocalMachine, settingsKey("Communications"), "Country", "4");
    shown.trigger("mnuHelpContents");
    ASSERT_EQ(shown.world.boxes().size(), 1u);
    EXPECT_EQ(shown.world.boxes()[0].text,
              "The help page " + (scratch / "data" / "help" / "german" / "index.html").string() + " cannot be opened.");
}

TEST(SimplePhoneForm, EveryHelpFileHasItsShippedPage) {
    // The build's data folder: what a build-tree run ships, with the help staged under every language.
    const kez::test::ScopedEnv data("KEZ_DATA_DIR", std::nullopt);
    std::vector<std::string> files{gDefaultHelpFile()};
    for (std::int32_t language = 1; language <= 8; ++language)
        files.push_back("Help\\" + std::string(helpFileName(language)));
    for (const auto& file : files)
        EXPECT_TRUE(fs::is_regular_file(ui::Launcher::helpPage(file))) << file;
}

TEST(SimplePhoneForm, TheDisplayFlashesRedAndBack) {
    ShownForm shown;
    shown.form.SetDisplay("  Line 1", "Line 2");
    auto& line1 = test::child<QLabel>(shown.form, "lblDisplay1");
    EXPECT_EQ(line1.text(), "  Line 1");
    const QColor normal = line1.palette().color(QPalette::WindowText);
    const auto colour = [&] { return line1.palette().color(QPalette::WindowText); };
    shown.form.FlipLCDState();
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    shown.form.FlipLCDState();
    EXPECT_EQ(colour(), normal);
    shown.form.FlipLCDState();
    shown.form.RestoreLCDState();
    EXPECT_EQ(colour(), normal);
    shown.form.FlipLCDState();
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    shown.form.SetDisplayLine1("Other");
    EXPECT_EQ(line1.text(), "Other");
    EXPECT_EQ(test::child<QLabel>(shown.form, "lblDisplay2").text(), "Line 2");
}

TEST(SimplePhoneForm, DisplayLinesAndToolTipsFromOthersShowAsTheyStandNotAsMarkup) {
    ShownForm shown;
    auto& line = test::child<QLabel>(shown.form, "lblDisplay2");
    for (const char* text : {"<h1>x</h1>", "<font color=red>Ext 201</font>", "<hr>a &amp; b", "Ext 201 < 3"}) {
        shown.form.SetDisplay(text, text);
        EXPECT_EQ(line.textFormat(), Qt::PlainText);
        EXPECT_EQ(line.text(), text);
        shown.owner.buttons.item(1)->sUserDescription(text);
        shown.owner.buttons.item(1)->RefreshButton(nullptr);
        const QString tip = shown.key("cmdDTMF_0").toolTip();
        QTextDocument read; // as Qt reads a tool tip that looks like markup
        read.setHtml(tip);
        EXPECT_EQ(Qt::mightBeRichText(tip) ? read.toPlainText() : tip, text);
    }
}

} // namespace
} // namespace kez::ombrel
