// The main window's frame: its tabs all in sight, the version, the help-test button, and the country page's
// list and advanced box as the stored settings leave them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>

#include "kez/vb/runtime_error.h"
#include "ombrel/rirovuruz_globals.h"
#include "wizard_errors.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

TEST(Window, ShowsEveryTabUnscrolledTheVersionAndTheHelpTestOnlyWhenAsked) {
    for (const bool debugHelp : {false, true}) {
        WizardWorld world;
        ombrel::gSetDebugHelp(debugHelp);
        OpenedWizard wizard;
        const auto& tabs = control<QTabWidget>(wizard.form, "sstWizard");
        QStringList captions;
        for (int page = 0; page < tabs.count(); ++page) {
            captions << tabs.tabText(page);
            EXPECT_TRUE(tabs.tabBar()->rect().contains(tabs.tabBar()->tabRect(page))) << page;
        }
        EXPECT_EQ(captions,
                  QStringList({"Welcome", "Audio", "Mic", "MAC Info", "IP Info", "Sarvik", "Country", "Done!"}));
        EXPECT_EQ(
            control<QLabel>(wizard.form, "lblVersion").text(),
            QStringLiteral("Version R%1.%2.%3").arg(KEZ_VERSION_MAJOR).arg(KEZ_VERSION_MINOR).arg(KEZ_VERSION_PATCH));
        EXPECT_EQ(!control<QPushButton>(wizard.form, "cmdHelp").isHidden(), debugHelp);
        // The engine wrapper tells the tone table too under the switch.
        EXPECT_EQ(boxTexts(world.boxes()),
                  debugHelp ? std::vector<std::string>{"The Engine Tone Table = 1"} : std::vector<std::string>{});
    }
    ombrel::gSetDebugHelp(false);
}

TEST(Window, TheCountryListHoldsEighteenCountriesInItsOwnOrder) {
    WizardWorld world;
    OpenedWizard wizard;
    const auto& countries = control<QComboBox>(wizard.form, "cboCountry");
    ASSERT_EQ(countries.count(), 18);
    EXPECT_EQ(countries.itemData(8).toInt(), 10);
    EXPECT_EQ(countries.itemData(9).toInt(), 15);
    EXPECT_EQ(countries.itemText(15), "Brazil (English)");
    EXPECT_EQ(countries.currentText(), "United States (English)");
}

TEST(Window, AnyAdvancedValueButZeroChecksTheBoxAndAClickTogglesTheCountryChoice) {
    for (const auto& [stored, advanced] :
         std::vector<std::pair<std::string, bool>>{{"0", false}, {"1", true}, {"2", true}, {"-1", true}, {"7", true}}) {
        SCOPED_TRACE(stored);
        WizardWorld world;
        world.seed({{"Communications", "Advanced", stored}});
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        auto& box = control<QCheckBox>(wizard.form, "chkAdvanced");
        const auto& countries = control<QComboBox>(wizard.form, "cboCountry");
        const auto& button = control<QPushButton>(wizard.form, "cmdAdvanced");
        EXPECT_EQ(box.isChecked(), advanced);
        EXPECT_EQ(countries.isEnabled(), !advanced);
        EXPECT_EQ(button.isEnabled(), advanced);
        box.click();
        EXPECT_EQ(countries.isEnabled(), advanced);
        EXPECT_EQ(button.isEnabled(), !advanced);
        EXPECT_EQ(wizard.form.oOptions()->lAdvanced, advanced ? 0 : 1);
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(Window, TheWizardsOwnBoxNamesTheErrorAndItsNumber) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { throw vb::RuntimeError(vb::error::kInvalidPropertyValue); },
         "Description: Invalid property value ,  Error #: 380"},
        {[] { throw std::bad_alloc(); }, "Description: Out of memory ,  Error #: 7"},
        {[] { throw std::runtime_error("lost"); }, "Description: lost ,  Error #: 51"},
    };
    WizardWorld world;
    for (const auto& [raise, text] : cases) {
        try {
            raise();
        } catch (...) {
            showErrorBox(currentError());
        }
    }
    EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{{cases[0].second, "Error", ui::Icon::Critical},
                                                          {cases[1].second, "Error", ui::Icon::Critical},
                                                          {cases[2].second, "Error", ui::Icon::Critical}}));
}

} // namespace
} // namespace kez::wizard::test
