// The face window offscreen: its contract members, the display flash, the face size, the controls as built.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

#include <filesystem>
#include <memory>
#include <string>

#include "eventually.h"
#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "layout/bitmap_files.h"
#include "layout/outlines.h"
#include "layout/window_tables.h"
#include "logind_mock.h"
#include "ombrel/registry.h"
#include "process.h"

namespace kez::ombrel::test {
namespace {

using face::Control;
using face::FaceSize;
using face::Side;
using namespace std::chrono_literals;

std::unique_ptr<KzSetPhoneForm> loadFace(FaceWorld& world, std::int16_t uiType) {
    auto form = std::make_unique<KzSetPhoneForm>();
    form->loadFor(world.options(uiType));
    return form;
}

// What the canvas shows in the middle of the display glass.
QRgb lcdPixel(const KzSetPhoneForm& form, FaceSize size) {
    const auto glass = face::lcdGlass(size);
    const QPoint middle(glass.x + glass.width / 2, glass.y + 3);
    return form.canvas().grab().toImage().pixel(middle);
}

QRgb filePixel(const std::filesystem::path& file, FaceSize size) {
    const auto glass = face::lcdGlass(size);
    return fileImage(file).pixel(glass.x + glass.width / 2, glass.y + 3);
}

TEST(FaceCaption, NamesTheVersionAfterTwoBlanks) {
    EXPECT_EQ(faceCaption(1, 2, 3), "KEZ Ombrel (TM)  (Version: R1.2.3)");
    EXPECT_EQ(faceCaption(3, 1, 12), "KEZ Ombrel (TM)  (Version: R3.1.12)");
}

TEST(FaceForm, LabelBoxOfEachKey) {
    FaceWorld world;
    const auto form = loadFace(world, 1);
    const std::pair<KeyId, int> cases[] = {{64, -1}, {77, -1}, {48, -1}, {55, -1}, {0, -1},
                                           {65, 0},  {76, 11}, {49, 12}, {54, 17}};
    for (const auto& [key, box] : cases) {
        EXPECT_EQ(form->oTextboxFromID(key), box < 0 ? nullptr : form->txtLineLabels(box)) << key;
    }
}

TEST(FaceForm, DisplayShowsTheTextsWithoutTheirBlanks) {
    FaceWorld world;
    const auto form = loadFace(world, 2);
    form->SetDisplay("  Waiting for Init  ", "   ");
    EXPECT_EQ(form->lblDisplay(1)->text(), "Waiting for Init");
    EXPECT_EQ(form->lblDisplay(2)->text(), "");

    form->SetDisplayLine1(" \tJan 5 09:07 ");
    EXPECT_EQ(form->lblDisplay(1)->text(), "\tJan 5 09:07");
    EXPECT_EQ(form->lblDisplay(2)->text(), "");
    EXPECT_TRUE(world.boxes().empty());
}

TEST(FaceForm, FlashAlternatesTheTwinsAndRestoreEndsIt) {
    struct Case {
        const char* steps; // f: FlipLCDState, r: RestoreLCDState
        bool red;
    };
    const Case cases[] = {{"f", true},     {"ff", false}, {"fff", true}, {"fr", false},
                          {"fffr", false}, {"frf", true}, {"r", false},  {"rr", false}};
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        FaceWorld world;
        const auto form = loadFace(world, size == FaceSize::Large ? 1 : 2);
        const auto folder = world.faceFolder(size);
        const QRgb normal = filePixel(folder / std::string(face::backgroundFile(size)), size);
        const QRgb red = filePixel(folder / std::string(face::redLcdFile(size)), size);
        ASSERT_NE(normal, red);
        for (const auto& c : cases) {
            form->RestoreLCDState();
            for (const char* step = c.steps; *step != 0; ++step)
                *step == 'f' ? form->FlipLCDState() : form->RestoreLCDState();
            EXPECT_EQ(form->isNormalLCD(), !c.red) << c.steps;
            EXPECT_EQ(lcdPixel(*form, size), c.red ? red : normal) << c.steps;
        }
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(FaceForm, FlashReadsTheFileEachTime) {
    FaceWorld world;
    world.copyData();
    const auto form = loadFace(world, 1);
    const auto red = world.faceFolder(FaceSize::Large) / std::string(face::redLcdFile(FaceSize::Large));
    const auto other = world.faceFolder(FaceSize::Large) / "imaMainLogo.bmp";
    std::filesystem::copy_file(other, red, std::filesystem::copy_options::overwrite_existing);
    form->FlipLCDState();
    EXPECT_EQ(pixels(form->canvas().background().toImage()), fileImage(other));
}

TEST(FaceForm, MissingRedTwinShowsOneBoxPerRingingAndLogsTheFlipsFailure) {
    FaceWorld world;
    world.copyData();
    const auto form = loadFace(world, 2);
    std::filesystem::remove(world.faceFolder(FaceSize::Small) / std::string(face::redLcdFile(FaceSize::Small)));
    for (int flip = 0; flip < 5; ++flip)
        form->FlipLCDState();
    EXPECT_TRUE(form->isNormalLCD());
    ASSERT_EQ(world.boxes().size(), 1u);
    EXPECT_EQ(world.boxes()[0].title, "PhoneFormInterface_FlipLCDState");
    EXPECT_EQ(world.boxes()[0].text, "Error code [35H]\r\n\r\nFile not found");
    EXPECT_EQ(world.boxes()[0].icon, ui::Icon::Critical);
    const auto errors = world.errorLines();
    ASSERT_EQ(errors.size(), 1u) << "each flip fails alike: the log counts the repeats";
    EXPECT_EQ(errors[0], "ERROR:  PhoneFormInterface_FlipLCDState [35H] - File not found");
    // The next ringing shows its failure again.
    form->RestoreLCDState();
    form->FlipLCDState();
    EXPECT_EQ(world.boxes().size(), 2u);
}

TEST(FaceForm, TypeChoosesTheFaceOnceAtLoad) {
    struct Case {
        std::int16_t type;
        FaceSize size;
    };
    for (const auto& c :
         {Case{1, FaceSize::Large}, Case{2, FaceSize::Small}, Case{0, FaceSize::Small}, Case{7, FaceSize::Small}}) {
        FaceWorld world;
        const auto form = loadFace(world, c.type);
        const auto folder = world.faceFolder(c.size);
        EXPECT_EQ(pixels(form->canvas().background().toImage()),
                  fileImage(folder / std::string(face::backgroundFile(c.size))))
            << c.type;
        EXPECT_EQ(form->outline().points().size(), static_cast<qsizetype>(face::outline(c.size).size())) << c.type;
        // A size picked in Options later (and, for "Type" 7, the red name never set) changes nothing here.
        setFaceImages(c.size == FaceSize::Large ? 2 : 1);
        form->FlipLCDState();
        EXPECT_EQ(pixels(form->canvas().background().toImage()),
                  fileImage(folder / std::string(face::redLcdFile(c.size))))
            << c.type;
        EXPECT_TRUE(world.boxes().empty()) << c.type;
    }
}

TEST(FaceForm, ControlsAsBuilt) {
    FaceWorld world;
    const auto form = loadFace(world, 1);
    int down = 0;
    for (const auto& picture : form->canvas().pictures()) {
        EXPECT_EQ(picture->isVisible(), picture->ref().side == Side::Up);
        down += picture->ref().side == Side::Down;
    }
    EXPECT_EQ(form->canvas().pictures().size(), 131u);
    EXPECT_EQ(down, 65);
    for (int line : {1, 2}) {
        EXPECT_EQ(form->lblDisplay(line)->textFormat(), Qt::PlainText);
        EXPECT_FALSE(form->lblDisplay(line)->autoFillBackground());
    }
    // The focus box lies under label box 0, so a click there edits the label.
    const QLineEdit* label0 = form->txtLineLabels(0);
    const auto siblings = form->canvas().children();
    EXPECT_LT(siblings.indexOf(form->txtDummyTextbox()), siblings.indexOf(label0));
    EXPECT_EQ(form->canvas().childAt(label0->geometry().topLeft() + QPoint(2, 2)), label0);
    EXPECT_EQ(form->txtDummyTextbox()->size(), QSize(1, 1));
    form->show();
    EXPECT_EQ(form->focusWidget(), form->txtDummyTextbox());
}

TEST(FaceForm, OptionsEntryFollowsPhoneBusy) {
    FaceWorld world;
    const auto form = loadFace(world, 2);
    for (bool enable : {false, true, false}) {
        form->SetPhoneBusy(enable);
        EXPECT_EQ(form->mnuToolsOptions()->isEnabled(), enable);
    }
}

TEST(FaceForm, MenusCarryTheirCaptions) {
    FaceWorld world;
    const auto form = loadFace(world, 2);
    QStringList captions;
    for (QAction* menu : form->menuBar()->actions()) {
        captions << menu->text();
        for (QAction* entry : menu->menu()->actions())
            captions << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    }
    EXPECT_EQ(captions.join('|'), "&File|&Exit|&Tools|&Hide window background|-|&Options...|&Help|&Contents...|"
                                  "Release &Notes...|-|&About...");
    // The tray's menu, which the menu bar does not show.
    QStringList tray;
    for (QAction* entry : form->mnuSysMenu().actions())
        tray << entry->text();
    EXPECT_EQ(form->mnuSysMenu().title(), "SystemTray (hidden)");
    EXPECT_EQ(tray.join('|'), "&Options...|&Restore|&Exit");
}

TEST(FaceStandby, RefusedWhileTheFaceShowsAndTheSettingIsTrue) {
    const kez::test::LogindMock logind;
    const auto blocked = [&] {
        const auto list = logind.inhibitors();
        return list.find("('sleep', 'KEZ Ombrel', ") != std::string::npos && list.find("'block'") != std::string::npos;
    };
    for (const bool suppress : {true, false}) {
        FaceWorld world;
        gSetRegParamBoolean(Hive::LocalMachine, settingsKey("UI"), "SuppressStandby", suppress);
        kez::test::ChildProcess face;
        ASSERT_TRUE(face.start({FACE_PROBE, "2"}, logind.environment()));
        ASSERT_EQ(face.readLine(60s), "ready");
        // The answer comes after the showing, so the lock is asked for by now.
        EXPECT_EQ(face.sendLine("state") ? face.readLine(60s) : std::nullopt, "shown");
        EXPECT_EQ(blocked(), suppress) << logind.inhibitors();
        face.sendLine("quit");
        EXPECT_EQ(face.wait(60s), 0);
        EXPECT_TRUE(kez::test::eventually([&] { return !blocked(); }, 60s));
    }
}

} // namespace
} // namespace kez::ombrel::test
