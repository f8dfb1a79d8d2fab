// The face's button objects: the table into the controller's collections, tags, both row failures, and the
// contract's start-up steps with a recording controller.
#include <gtest/gtest.h>

#include <QApplication>

#include <algorithm>
#include <string>
#include <vector>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "layout/button_table.h"

namespace kez::ombrel::test {
namespace {

using face::Side;

std::vector<std::string> keysOf(const ButtonCollection& collection) {
    std::vector<std::string> keys;
    for (const auto& button : collection)
        keys.push_back(keyTag(button->nKeyId()));
    return keys;
}

std::vector<std::string> tableKeys(bool ledsOnly) {
    std::vector<std::string> keys;
    for (const auto& row : face::buttonRows()) {
        if (!ledsOnly || row.ledFamily) keys.push_back(std::to_string(row.key));
    }
    return keys;
}

TEST(FaceButtons, EveryKeyOnceAndTheLedKeysAgainInTableOrder) {
    FaceWorld world;
    ShownFace face(world, 1);
    const auto& owner = face.owner;
    const auto& form = face.form;
    EXPECT_EQ(keysOf(owner.buttons), tableKeys(false));
    EXPECT_EQ(keysOf(owner.leds), tableKeys(true));
    EXPECT_EQ(owner.buttons.count(), 47u);
    EXPECT_EQ(owner.leds.count(), 18u);
    for (const auto& led : owner.leds)
        EXPECT_EQ(owner.buttons.item(keyTag(led->nKeyId())), led) << "the same object";
    for (int absent : {10, 13, 33, 48, 55, 64}) {
        EXPECT_FALSE(owner.buttons.contains(std::to_string(absent)));
        EXPECT_FALSE(owner.leds.contains(std::to_string(absent)));
    }
    // Keys on the keys at rest and the unlit LEDs only.
    for (const auto& row : face::buttonRows()) {
        EXPECT_EQ(form.picture({row.keyFamily, Side::Up, row.keyIndex})->key(), row.key);
        EXPECT_EQ(form.picture({row.keyFamily, Side::Down, row.keyIndex})->key(), std::nullopt);
        if (!row.ledFamily) continue;
        EXPECT_EQ(form.picture({*row.ledFamily, Side::Up, row.ledIndex})->key(), row.key);
        EXPECT_EQ(form.picture({*row.ledFamily, Side::Down, row.ledIndex})->key(), std::nullopt);
    }
    EXPECT_EQ(form.picture({face::Control::DTMF, Side::Up, 14})->key(), 14);
    EXPECT_EQ(form.picture({face::Control::DTMF, Side::Up, 14})->toolTip(), "Star key");
    EXPECT_EQ(form.picture({face::Control::FButton, Side::Up, 0})->key(), 49);
    EXPECT_TRUE(world.boxes().empty());
}

TEST(FaceButtons, DuplicateKeyLosesItsRowOnly) {
    FaceWorld world;
    RecordingOwner owner(world.options(2));
    KzSetPhoneForm form;
    owner.leds.add("65", nullptr);
    form.Initialize(owner, owner.buttons, owner.leds);
    // Row 65 reached the buttons before its LED entry failed; every later row is there.
    EXPECT_EQ(owner.buttons.count(), 47u);
    EXPECT_EQ(owner.leds.count(), 18u);
    EXPECT_EQ(*owner.leds.find("65"), nullptr);
    const auto boxes = world.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "mCreateAndAddButton");
    EXPECT_EQ(boxes[0].text,
              "Error code [1C9H]\r\n\r\nThis key is already associated with an element of this collection");
}

TEST(FaceButtons, MissingPictureEndsTheBuildAtItsRow) {
    FaceWorld world;
    RecordingOwner owner(world.options(2));
    KzSetPhoneForm form;
    form.loadFor(owner.oOptions());
    std::vector<face::ButtonRow> rows(face::buttonRows().begin(), face::buttonRows().end());
    rows[2].keyIndex = 12; // no dial-pad picture 12
    form.mInitializeButtonsAndLEDS(owner.buttons, owner.leds, rows);
    EXPECT_EQ(keysOf(owner.buttons), (std::vector<std::string>{"0", "1"}));
    const auto boxes = world.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "mInitializeButtonsAndLEDS");
    EXPECT_EQ(boxes[0].text, "Error code [9H]\r\n\r\nSubscript out of range");
}

TEST(FaceStart, TransparentStartsShaped) {
    for (bool transparent : {false, true}) {
        FaceWorld world;
        RecordingOwner owner(world.options(1));
        owner.oOptions().bDefaultTransparent = transparent;
        KzSetPhoneForm form;
        form.Initialize(owner, owner.buttons, owner.leds);
        EXPECT_EQ(form.outline().isShaped(), transparent);
        EXPECT_EQ(form.windowTitle().toStdString(), faceCaption(KEZ_VERSION_MAJOR, KEZ_VERSION_MINOR, 0));
    }
}

TEST(FaceStart, ClosedByCodeShutsDownOnce) {
    FaceWorld world;
    ShownFace face(world, 2);
    EXPECT_TRUE(face.form.close());
    // The controller's shut-down closes its form again.
    face.form.show();
    EXPECT_TRUE(face.form.close());
    EXPECT_EQ(face.owner.calls, (std::vector<std::string>{"Shutdown"}));
}

TEST(FaceStart, MinimisedHidesOnlyWithATrayIcon) {
    for (bool tray : {true, false}) {
        FaceWorld world;
        ShownFace face(world, 2);
        face.owner.trayIconShown = tray;
        face.form.setWindowState(Qt::WindowMinimized);
        QApplication::processEvents();
        EXPECT_EQ(face.form.isVisible(), !tray) << tray;
    }
}

} // namespace
} // namespace kez::ombrel::test
