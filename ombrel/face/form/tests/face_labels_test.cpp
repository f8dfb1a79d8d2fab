// Label editing and the menus offscreen: what Enter, Escape and leaving a label box store in a temporary hive
// (read back with kezreg), the typing limit, and each menu entry against a recording controller and a stand-in
// xdg-open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <string>
#include <vector>

#include "eventually.h"
#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "kez/vb/runtime_error.h"
#include "layout/button_table.h"
#include "ombrel/registry.h"
#include "process.h"

namespace kez::ombrel::test {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

// `"<key>"=sz:"<text>"` as kezreg prints the stored label of a key; empty when there is none.
std::string storedLabel(const std::string& key) {
    const auto result = kez::test::runCommand({KEZREG_PATH, "query", "HKLM\\" + settingsKey("ButtonCaptions"), key});
    return result.ok() ? result.out.substr(0, result.out.find('\n')) : std::string();
}

std::string labelLine(const std::string& key, const std::string& text) { return "\"" + key + "\"=sz:\"" + text + "\""; }

void type(QWindow* window, const std::string& text) {
    for (const char c : text)
        QTest::keyClick(window, c);
}

TEST(FaceLabels, EnterEscapeAndLeavingStoreTheBoxTextUnderItsKey) {
    enum class End { Enter, Escape, Leave };
    struct Row {
        int box;
        const char* key;
        const char* before;
        const char* typed; // '<' is a Backspace
        End end;
        const char* after;
    };
    const Row rows[] = {
        {0, "65", "", "Sales", End::Enter, "Sales"},    {11, "76", "Old", "X<YZ", End::Escape, "Old"},
        {12, "49", "Pick", "up", End::Leave, "Pickup"}, {17, "54", "Park", "<<<<", End::Enter, ""},
        {5, "70", "", "Desk", End::Escape, ""},
    };
    for (const auto& row : rows) {
        FaceWorld world;
        gSetRegParam(Hive::LocalMachine, settingsKey("ButtonCaptions"), row.key, row.before);
        ShownFace face(world, 1);
        QWindow* window = face.form.windowHandle();
        QLineEdit* box = face.form.txtLineLabels(row.box);
        EXPECT_EQ(box->text(), row.before) << row.key;
        box->setFocus(Qt::MouseFocusReason);
        box->end(false);
        for (const char* c = row.typed; *c != 0; ++c)
            *c == '<' ? QTest::keyClick(window, Qt::Key_Backspace) : type(window, std::string(1, *c));
        if (row.end == End::Leave) {
            face.form.txtLineLabels(row.box + 1)->setFocus(Qt::TabFocusReason);
        } else {
            QTest::keyClick(window, row.end == End::Enter ? Qt::Key_Return : Qt::Key_Escape);
            EXPECT_EQ(face.form.focusWidget(), face.form.txtDummyTextbox()) << row.key;
        }
        EXPECT_EQ(box->text(), row.after) << row.key;
        EXPECT_EQ(storedLabel(row.key), labelLine(row.key, row.after)) << row.key;
        EXPECT_EQ(face.owner.buttons.item(row.key)->sCaption(), row.after) << row.key;
        EXPECT_TRUE(world.boxes().empty()) << row.key;
    }
}

TEST(FaceLabels, StoredUnderTheirOwnKeyWhenPositionsInTheCollectionShift) {
    struct Row {
        const char* what;
        bool abandoned;        // else an entry of the controller's own before the face's
        const char* keyAtBox0; // what position 13 and 25 hold, whose labels stay as they were
        const char* keyAtBox12;
    };
    for (const Row& row : {Row{"an entry ahead", false, "15", "76"}, Row{"an abandoned row", true, "66", "50"}}) {
        FaceWorld world;
        RecordingOwner owner(world.options(2));
        KzSetPhoneForm form;
        ButtonCollection built;
        ButtonCollection builtLeds;
        if (row.abandoned) {
            form.Initialize(owner, built, builtLeds);
            // The controller's collection as a build makes it that loses row 2 (key 1 given twice).
            std::vector<face::ButtonRow> rows(face::buttonRows().begin(), face::buttonRows().end());
            rows[2].key = 1;
            form.mInitializeButtonsAndLEDS(owner.buttons, owner.leds, rows);
        } else {
            owner.buttons.add("99", nullptr);
            form.Initialize(owner, owner.buttons, owner.leds);
        }
        form.show();
        for (int box : {0, 12}) {
            form.txtLineLabels(box)->setFocus(Qt::MouseFocusReason);
            type(form.windowHandle(), "Mine");
            QTest::keyClick(form.windowHandle(), Qt::Key_Return);
        }
        EXPECT_EQ(storedLabel("65"), labelLine("65", "Mine")) << row.what;
        EXPECT_EQ(storedLabel("49"), labelLine("49", "Mine")) << row.what;
        for (const char* other : {row.keyAtBox0, row.keyAtBox12}) {
            const std::string stored = storedLabel(other);
            EXPECT_TRUE(stored.empty() || stored == labelLine(other, "")) << row.what << ": " << stored;
        }
        EXPECT_EQ(world.boxes().size(), row.abandoned ? 1u : 0u) << row.what;
    }
}

TEST(FaceLabels, FocusThatFollowsTheWindowOrAPopupIsNoEdit) {
    FaceWorld world;
    gSetRegParam(Hive::LocalMachine, settingsKey("ButtonCaptions"), "66", "Old");
    ShownFace face(world, 2);
    QLineEdit* box = face.form.txtLineLabels(1);
    box->setFocus(Qt::MouseFocusReason);
    type(face.form.windowHandle(), "New");
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QFocusEvent in(QEvent::FocusIn, reason);
        QApplication::sendEvent(box, &out);
        QApplication::sendEvent(box, &in);
    }
    EXPECT_EQ(storedLabel("66"), labelLine("66", "Old"));
    QTest::keyClick(face.form.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(box->text(), "Old");
}

TEST(FaceLabels, TypingStopsAtFifteenCharactersButTextFromCodeIsNeverCut) {
    FaceWorld world;
    ShownFace face(world, 1);
    QWindow* window = face.form.windowHandle();
    QLineEdit* box = face.form.txtLineLabels(2);
    const std::string twenty = "Reception, 2nd floor";
    auto& button = *face.owner.buttons.item("67");
    button.sCaption(twenty);
    button.RefreshButton(box);
    EXPECT_EQ(box->text().toStdString(), twenty);
    box->setFocus(Qt::MouseFocusReason);
    box->end(false);
    type(window, "X");
    EXPECT_EQ(box->text().toStdString(), twenty);
    QTest::keyClick(window, Qt::Key_Backspace);
    EXPECT_EQ(box->text().size(), 19);
    box->selectAll();
    type(window, "0123456789abcdefgh");
    EXPECT_EQ(box->text(), "0123456789abcde");
    box->clear();
    QApplication::clipboard()->setText(QStringLiteral("Front desk and lobby\nsecond line"));
    QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "Front desk and ");
    // Unedited, a long label is stored whole.
    box->setText(QString::fromStdString(twenty));
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(storedLabel("67"), labelLine("67", twenty));
}

// A controller whose every request fails.
class FailingOwner : public RecordingOwner {
public:
    using RecordingOwner::RecordingOwner;
    void UserFileExit() override { throw vb::RuntimeError(vb::error::kAccessDenied); }
    void LaunchReleaseNotes() override { throw vb::RuntimeError(vb::error::kAccessDenied); }
};

QAction* entry(const KzSetPhoneForm& form, const char* name) { return form.findChild<QAction*>(name); }

TEST(FaceMenus, EachEntryCallsTheControllerAndTheTraysRestoreForcesTheWindowBack) {
    struct Row {
        const char* entry;
        Calls calls;
        std::vector<std::string> events;
        bool toggles;
    };
    const Row rows[] = {
        {"mnuFileExit", {"UserFileExit"}, {}, false},
        {"mnuToolsToggleBackground", {}, {}, true},
        {"mnuToolsOptions", {}, {"options"}, false},
        {"mnuHelpReleaseNotes", {"LaunchReleaseNotes"}, {}, false},
        {"mnuSysOptions", {"ActivateUI(True)"}, {"options"}, false},
        {"mnuSysRestore", {"ActivateUI(True)"}, {}, false},
        {"mnuSysExit", {"UserFileExit"}, {}, false},
    };
    FaceWorld world;
    ShownFace face(world, 2);
    FaceEvents events(face.form, face.owner.buttons);
    for (const auto& row : rows) {
        const bool shaped = face.form.outline().isShaped();
        entry(face.form, row.entry)->trigger();
        EXPECT_EQ(face.owner.calls, row.calls) << row.entry;
        EXPECT_EQ(events.take(), row.events) << row.entry;
        EXPECT_EQ(face.form.outline().isShaped(), shaped != row.toggles) << row.entry;
        face.owner.calls.clear();
    }
    EXPECT_TRUE(world.boxes().empty());
}

TEST(FaceMenus, AboutAndTheLogoShowOneModelessAboutWithoutOwner) {
    FaceWorld world;
    ShownFace face(world, 1);
    const PictureItem* logo = face.form.picture({face::Control::KEZLogo, face::Side::Up, 0});
    QTest::mouseClick(face.form.windowHandle(), Qt::LeftButton, {},
                      face.form.canvas().mapTo(&face.form, logo->rect().center()));
    const QPointer<AboutForm> about = face.form.aboutForm();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->parent(), nullptr);
    EXPECT_FALSE(about->isModal());
    entry(face.form, "mnuHelpAbout")->trigger();
    EXPECT_EQ(face.form.aboutForm(), about.data()) << "one at a time";
    about->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(about);
    entry(face.form, "mnuHelpAbout")->trigger();
    EXPECT_TRUE(face.form.aboutForm()->isVisible());
    EXPECT_TRUE(face.owner.calls.empty());
}

TEST(FaceMenus, OptionsFailsSilentlyAndTheOtherEntriesReportUnderTheirNames) {
    FaceWorld world;
    FailingOwner owner(world.options(2));
    KzSetPhoneForm form;
    form.Initialize(owner, owner.buttons, owner.leds);
    QObject::connect(&form, &PhoneForm::DisplayOptions, [] { throw vb::RuntimeError(vb::error::kAccessDenied); });
    for (const char* name : {"mnuToolsOptions", "mnuSysOptions", "mnuFileExit", "mnuSysExit", "mnuHelpReleaseNotes"})
        entry(form, name)->trigger();
    std::vector<std::string> titles;
    for (const auto& box : world.boxes())
        titles.push_back(box.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"mnuFileExit_Click", "mnuSysExit_Click", "mnuHelpReleaseNotes_Click"}));
    EXPECT_EQ(owner.calls, (Calls{"ActivateUI(True)"}));
}

TEST(FaceMenus, HelpContentsOpensTheCountrysPageAndNothingWhenItIsMissing) {
    FaceWorld world;
    world.copyData();
    kez::test::TempDir bin("kez-face-bin");
    const auto record = bin / "opened";
    kez::test::writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + record.string() + "'\n");
    fs::permissions(bin / "xdg-open", fs::perms(0755));
    const kez::test::ScopedEnv onlyTheStandIn("PATH", bin.path().string());
    gSetRegParam(Hive::LocalMachine, settingsKey("Communications"), "Country", "2");
    const auto page = world.dataFolder() / "help" / "french" / "index.html";
    fs::create_directories(page.parent_path());
    kez::test::writeFile(page, "<html></html>");
    ShownFace face(world, 1);
    QAction* contents = entry(face.form, "mnuHelpContents");
    contents->trigger();
    EXPECT_TRUE(kez::test::eventually([&] { return kez::test::readFile(record) == page.string() + "\n"; }));
    fs::remove(page);
    // The page is looked for before anything starts.
    contents->trigger();
    EXPECT_EQ(kez::test::readFile(record), page.string() + "\n");
    EXPECT_TRUE(world.boxes().empty());
}

} // namespace
} // namespace kez::ombrel::test
