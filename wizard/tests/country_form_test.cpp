// The advanced country dialog from the country page: its two lists, what it selects for the stored codes,
// and which of OK, Cancel, Escape, Enter and the close box hand the codes back to the settings object.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <optional>

#include "country_form.h"
#include "modal_dialog.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

std::vector<int> codes(const QComboBox& list) {
    std::vector<int> found;
    for (int position = 0; position < list.count(); ++position)
        found.push_back(list.itemData(position).toInt());
    return found;
}

// What the widget draws on white, cut to the drawn pixels.
QImage textOf(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) ink |= QRect(x, y, 1, 1);
        }
    }
    return image.copy(ink);
}

// As the user would: the list's first entry, then down to the entry of `code`.
void choose(QComboBox& list, int code) {
    QTest::keyClick(&list, Qt::Key_Home);
    while (list.currentData().toInt() != code && list.currentIndex() + 1 < list.count())
        QTest::keyClick(&list, Qt::Key_Down);
    ASSERT_EQ(list.currentData().toInt(), code);
}

TEST(CountryForm, ListsTheTonesCountriesAsThePageAndTheEightHelpLanguages) {
    WizardWorld world;
    CountryForm dialog;
    const auto& tones = control<QComboBox>(dialog, "cboToneCadences");
    const auto& documentation = control<QComboBox>(dialog, "cboDocumentation");
    EXPECT_EQ(codes(tones), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 15, 11, 12, 13, 14, 18, 19, 20, 21}));
    EXPECT_EQ(codes(documentation), (std::vector<int>{1, 2, 4, 5, 7, 8, 9, 10}));
    EXPECT_EQ(tones.itemText(15), "Brazil (Portuguese)");
    EXPECT_EQ(documentation.itemText(6), "China (Cantonese)");
    EXPECT_EQ(documentation.itemText(7), "China (Mandarin)");
    EXPECT_FALSE(dialog.gCanceled);
    EXPECT_EQ(dialog.windowTitle(), "Advanced Country Settings");

    // The label reads as a plain one with a single ampersand would.
    auto& label = control<QLabel>(dialog, "lblTonesCadences");
    QLabel plain(QStringLiteral("Tones & Cadences:"));
    plain.setFont(label.font());
    for (QLabel* shown : {&label, &plain})
        shown->resize(3 * label.sizeHint());
    EXPECT_EQ(textOf(label), textOf(plain));
}

enum class Close { Ok, Enter, Cancel, Escape, CloseBox };

struct DialogCase {
    const char* what;
    const char* tonesStored;
    const char* documentationStored;
    const char* tonesShown; // "" for no selection
    const char* documentationShown;
    std::optional<int> tonesChosen;
    std::optional<int> documentationChosen;
    Close close;
    std::int32_t tonesAfter;
    std::int32_t documentationAfter;
};

TEST(CountryForm, SelectsTheStoredCodesAndHandsBackWhatTheWayOutSays) {
    const DialogCase cases[] = {
        {"defaults", nullptr, nullptr, "United States (English)", "United States (English)", {}, {}, Close::Ok, 1, 1},
        {"Brazil; 0 as 1", "19", "0", "Brazil (Portuguese)", "United States (English)", {}, {}, Close::Ok, 19, 1},
        {"negative raised", "-4", "-1", "United States (English)", "United States (English)", {}, {}, Close::Ok, 1, 1},
        {"not offered: kept", "9", "3", "", "", {}, {}, Close::Ok, 9, 3},
        {"16 not offered", "16", "2", "", "France (French)", {}, {}, Close::Ok, 16, 2},
        {"17 not offered, one changed", "17", "4", "", "Germany (German)", {}, 10, Close::Ok, 17, 10},
        {"OK with one changed", "5", "2", "Italy (Italian)", "France (French)", 8, {}, Close::Ok, 8, 2},
        {"Enter is OK", "5", "2", "Italy (Italian)", "France (French)", 20, 9, Close::Enter, 20, 9},
        {"Cancel", "5", "2", "Italy (Italian)", "France (French)", 20, 9, Close::Cancel, 5, 2},
        {"Escape", "5", "2", "Italy (Italian)", "France (French)", 20, 9, Close::Escape, 5, 2},
        {"close box", "5", "2", "Italy (Italian)", "France (French)", 20, 9, Close::CloseBox, 20, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WizardWorld world;
        std::vector<StoredValue> seed{{"Communications", "Advanced", "1"}};
        if (c.tonesStored) seed.push_back({"Communications", "TonesCadences", c.tonesStored});
        if (c.documentationStored) seed.push_back({"Communications", "Documention", c.documentationStored});
        world.seed(seed);
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        const WhenModalShows act([&](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), "CountryForm");
            auto& tones = control<QComboBox>(dialog, "cboToneCadences");
            auto& documentation = control<QComboBox>(dialog, "cboDocumentation");
            EXPECT_EQ(tones.currentText(), c.tonesShown);
            EXPECT_EQ(documentation.currentText(), c.documentationShown);
            if (c.tonesChosen) choose(tones, *c.tonesChosen);
            if (c.documentationChosen) choose(documentation, *c.documentationChosen);
            switch (c.close) {
            case Close::Ok: control<QAbstractButton>(dialog, "cmdOK").click(); break;
            case Close::Enter: QTest::keyClick(&dialog, Qt::Key_Return); break;
            case Close::Cancel: control<QAbstractButton>(dialog, "cmdCancel").click(); break;
            case Close::Escape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
            case Close::CloseBox: dialog.close(); break;
            }
        });
        control<QAbstractButton>(wizard.form, "cmdAdvanced").click();
        EXPECT_TRUE(act.ran());
        EXPECT_EQ(wizard.form.oOptions()->lTonesCadences, c.tonesAfter);
        EXPECT_EQ(wizard.form.oOptions()->lDocumention, c.documentationAfter);
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(CountryForm, TheAdvancedChoiceOutlivesAnUncheckAndFinishStoresIt) {
    WizardWorld world;
    world.seed({{"Communications", "VuruvMac", "02:18:00:00:00:01"}});
    OpenedWizard wizard;
    ASSERT_TRUE(wizard.initialised);
    auto& advanced = control<QAbstractButton>(wizard.form, "chkAdvanced");
    advanced.click();
    const WhenModalShows act([](QDialog& dialog) {
        choose(control<QComboBox>(dialog, "cboToneCadences"), 19);
        choose(control<QComboBox>(dialog, "cboDocumentation"), 7);
        control<QAbstractButton>(dialog, "cmdOK").click();
    });
    control<QAbstractButton>(wizard.form, "cmdAdvanced").click();
    advanced.click();
    EXPECT_FALSE(control<QWidget>(wizard.form, "cmdAdvanced").isEnabled());
    advanced.click();
    const WhenModalShows again([](QDialog& dialog) {
        EXPECT_EQ(control<QComboBox>(dialog, "cboToneCadences").currentText(), "Brazil (Portuguese)");
        EXPECT_EQ(control<QComboBox>(dialog, "cboDocumentation").currentText(), "Mexico (Spanish)");
        control<QAbstractButton>(dialog, "cmdCancel").click();
    });
    control<QAbstractButton>(wizard.form, "cmdAdvanced").click();
    advanced.click();
    control<QAbstractButton>(wizard.form, "cmdFinish").click();
    ASSERT_EQ(wizard.ended, 1);
    auto stored = world.stored();
    EXPECT_EQ(stored["Communications\\Advanced"], "0");
    EXPECT_EQ(stored["Communications\\TonesCadences"], "19");
    EXPECT_EQ(stored["Communications\\Documention"], "7");
}

} // namespace
} // namespace kez::wizard::test
