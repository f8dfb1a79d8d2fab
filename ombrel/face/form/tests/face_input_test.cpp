// The face's keyboard shortcuts and pointer input offscreen, every event sent to the window as the system sends
// it: the shortcut table with its negatives, the keys a label box keeps, the pictures' tags, the LEDs, the
// display lines and the background's tray menu.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <string>
#include <vector>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"

namespace kez::ombrel::test {
namespace {

using face::Control;
using face::Side;
using Events = std::vector<std::string>;

Events pressAndRelease(const std::string& tag) { return {"down 1 " + tag, "up " + tag}; }

struct KeyRow {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* tag; // nullptr: presses nothing
};

std::vector<KeyRow> shortcutRows() {
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, keypad = Qt::KeypadModifier,
                                ctrl = Qt::ControlModifier;
    static const std::string digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const std::string lines[] = {"65", "66", "67", "68", "69", "70", "71", "72", "73", "74", "75", "76"};
    std::vector<KeyRow> rows;
    for (int digit = 0; digit <= 9; ++digit) {
        rows.push_back({Qt::Key(Qt::Key_0 + digit), none, digits[digit].c_str()});
        rows.push_back({Qt::Key(Qt::Key_0 + digit), keypad, digits[digit].c_str()});
    }
    for (int f = 0; f < 12; ++f)
        rows.push_back({Qt::Key(Qt::Key_F1 + f), none, lines[f].c_str()});
    const KeyRow fixed[] = {
        {Qt::Key_Asterisk, shift, "14"},
        {Qt::Key_NumberSign, shift, "15"},
        {Qt::Key_Percent, shift, nullptr},
        {Qt::Key_Exclam, shift, nullptr},
        {Qt::Key_ParenLeft, shift, nullptr},
        {Qt::Key_Asterisk, keypad, "14"},
        {Qt::Key_Period, keypad, "15"},
        {Qt::Key_Comma, keypad, nullptr},
        {Qt::Key_Escape, none, "22"},
        {Qt::Key_S, none, "22"},
        {Qt::Key_S, shift, "22"},
        {Qt::Key_R, none, "25"},
        {Qt::Key_C, none, "20"},
        {Qt::Key_C, ctrl, "20"},
        {Qt::Key_T, none, "19"},
        {Qt::Key_H, none, "18"},
        {Qt::Key_P, none, "16"},
        {Qt::Key_F, none, "32"},
        {Qt::Key_V, none, "31"},
        {Qt::Key_A, none, "17"},
        {Qt::Key_M, shift, "21"},
        {Qt::Key_Up, none, "23"},
        {Qt::Key_Right, none, "23"},
        {Qt::Key_Down, none, "24"},
        {Qt::Key_Left, none, "24"},
        {Qt::Key_Return, none, nullptr},
        {Qt::Key_Space, none, nullptr},
        {Qt::Key_Tab, none, nullptr},
        {Qt::Key_B, none, nullptr},
        {Qt::Key_Plus, keypad, nullptr},
        {Qt::Key_F13, none, nullptr},
        {Qt::Key_Backspace, none, nullptr},
        {Qt::Key_Shift, shift, nullptr},
    };
    rows.insert(rows.end(), std::begin(fixed), std::end(fixed));
    return rows;
}

TEST(FaceKeys, EveryShortcutPressesAndReleasesItsKeyAndEveryKeyIsSwallowed) {
    FaceWorld world;
    ShownFace face(world, 1);
    FaceEvents events(face.form, face.owner.buttons);
    QWindow* window = face.form.windowHandle();
    for (const auto& row : shortcutRows()) {
        QTest::keyPress(window, row.key, row.modifiers);
        QTest::keyRelease(window, row.key, row.modifiers);
        EXPECT_EQ(events.take(), row.tag ? pressAndRelease(row.tag) : Events{}) << row.key << " " << row.modifiers;
        EXPECT_EQ(face.form.focusWidget(), face.form.txtDummyTextbox()) << row.key;
        EXPECT_EQ(face.form.txtDummyTextbox()->text(), "") << row.key;
    }
    EXPECT_TRUE(world.boxes().empty());
}

// A key struck as the system's keyboard does it: with its scan code.
void strike(QWindow* window, Qt::Key key, const char* text, std::uint32_t scanCode) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, QString::fromLatin1(text));
        QCoreApplication::sendEvent(window, &event);
    }
}

TEST(FaceKeys, ALabelBeingEditedKeepsItsKeysAndTheDummyLetsThemAct) {
    FaceWorld world;
    ShownFace face(world, 2);
    FaceEvents events(face.form, face.owner.buttons);
    QWindow* window = face.form.windowHandle();
    QLineEdit* label = face.form.txtLineLabels(3);
    label->setFocus(Qt::MouseFocusReason);
    strike(window, Qt::Key_R, "r", 27);
    strike(window, Qt::Key_5, "5", 14);
    strike(window, Qt::Key_Space, " ", 65);
    EXPECT_EQ(label->text(), "r5 ");
    // Escape there is the label's, its release too: it brings back the text the box had and presses no Speaker.
    strike(window, Qt::Key_Escape, "\x1b", 9);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(events.take(), Events{});
    // It leaves the focus on the dummy, where the keys are shortcuts again.
    EXPECT_EQ(face.form.focusWidget(), face.form.txtDummyTextbox());
    QTest::keyClick(window, Qt::Key_R);
    EXPECT_EQ(events.take(), pressAndRelease("25"));
    // No control has the focus: the face acts as on the dummy.
    face.form.txtDummyTextbox()->clearFocus();
    QTest::keyClick(window, Qt::Key_H);
    EXPECT_EQ(events.take(), pressAndRelease("18"));
    EXPECT_EQ(face.form.focusWidget(), face.form.txtDummyTextbox());
}

TEST(FaceKeys, KeysStillHeldAreReleasedWhenALabelTakesTheFocus) {
    FaceWorld world;
    ShownFace face(world, 2);
    FaceEvents events(face.form, face.owner.buttons);
    QTest::keyPress(face.form.windowHandle(), Qt::Key_F1);
    // With a scan code, as the system's keys have, the press is remembered until its release.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, 16, 0, 0, QStringLiteral("7"));
    QCoreApplication::sendEvent(face.form.windowHandle(), &press);
    EXPECT_EQ(events.take(), (Events{"down 1 65", "down 1 7"}));
    face.form.txtLineLabels(0)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(events.take(), Events{"up 7"}) << "F1 came without a scan code and is not remembered";
    EXPECT_FALSE(face.owner.buttons.item("7")->bButtonPressed());
}

QPoint onWindow(const KzSetPhoneForm& form, QPoint canvasPoint) { return form.canvas().mapTo(&form, canvasPoint); }

QPoint middleOf(const KzSetPhoneForm& form, face::PictureRef ref) {
    return onWindow(form, form.picture(ref)->rect().center());
}

TEST(FacePointer, EachKeyPictureReportsItsKeyAndOtherPicturesNothing) {
    struct Row {
        face::PictureRef picture;
        Qt::MouseButton button;
        Events events;
    };
    const Row rows[] = {
        {{Control::DTMF, Side::Up, 5}, Qt::LeftButton, {"down 1 5", "up 5"}},
        {{Control::DTMF, Side::Up, 14}, Qt::RightButton, {"down 2 14", "up 14"}},
        {{Control::FIXED, Side::Up, 0}, Qt::MiddleButton, {"down 4 16", "up 16"}},
        {{Control::LBUTTONS, Side::Up, 11}, Qt::LeftButton, {"down 1 76", "up 76"}},
        {{Control::FButton, Side::Up, 0}, Qt::LeftButton, {"down 1 49", "up 49"}},
        {{Control::BFBUTTON, Side::Up, 0}, Qt::LeftButton, {"down 1 22", "up 22"}},
        {{Control::DISPLAY, Side::Up, 4}, Qt::RightButton, {"down 2 27", "up 27"}},
        {{Control::LBUTTON, Side::Up, 0}, Qt::LeftButton, {}},
        {{Control::ChkSpeaker, Side::Up, 0}, Qt::RightButton, {}},
        {{Control::Program, Side::Up, 0}, Qt::LeftButton, {}},
    };
    FaceWorld world;
    ShownFace face(world, 1);
    FaceEvents events(face.form, face.owner.buttons);
    for (const auto& row : rows) {
        QTest::mouseClick(face.form.windowHandle(), row.button, {}, middleOf(face.form, row.picture));
        EXPECT_EQ(events.take(), row.events) << face::controlName(row.picture.family) << " " << row.picture.index;
    }
    // Pressed, a key shows its down picture, which reports the key too.
    face.owner.buttons.item("9")->ImagePushDown();
    QTest::mouseClick(face.form.windowHandle(), Qt::RightButton, {},
                      middleOf(face.form, {Control::DTMF, Side::Down, 9}));
    EXPECT_EQ(events.take(), (Events{"down 2 9", "up 9"}));
    // The display lines and the LEDs start no drag and open no menu.
    const QPoint line = face.form.lblDisplay(1)->mapTo(&face.form, QPoint(3, 3));
    QTest::mouseClick(face.form.windowHandle(), Qt::RightButton, {}, line);
    EXPECT_TRUE(face.owner.calls.empty());
    EXPECT_TRUE(world.boxes().empty());
}

TEST(FacePointer, TheBackgroundsRightButtonAloneAndWithoutShiftKeysPopsUpTheTrayMenu) {
    const std::pair<Qt::KeyboardModifiers, bool> rows[] = {{Qt::NoModifier, true},
                                                           {Qt::ShiftModifier, false},
                                                           {Qt::ControlModifier, false},
                                                           {Qt::AltModifier, false},
                                                           {Qt::KeypadModifier, true}};
    FaceWorld world;
    ShownFace face(world, 2);
    const QPoint background = onWindow(face.form, QPoint(60, 40));
    for (const auto& [modifiers, popup] : rows) {
        QTest::mouseClick(face.form.windowHandle(), Qt::RightButton, modifiers, background);
        EXPECT_EQ(face.owner.calls,
                  popup ? std::vector<std::string>{"PopupSysMenu(False)"} : std::vector<std::string>{})
            << modifiers;
        face.owner.calls.clear();
    }
    // With the left button held the right one only stops the drag.
    QTest::mousePress(face.form.windowHandle(), Qt::LeftButton, {}, background);
    QTest::mousePress(face.form.windowHandle(), Qt::RightButton, {}, background);
    QTest::mouseRelease(face.form.windowHandle(), Qt::RightButton, {}, background);
    QTest::mouseRelease(face.form.windowHandle(), Qt::LeftButton, {}, background);
    EXPECT_TRUE(face.owner.calls.empty());
}

} // namespace
} // namespace kez::ombrel::test
