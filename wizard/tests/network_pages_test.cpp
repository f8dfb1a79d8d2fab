// The "MAC Info" and "IP Info" pages through real key events and clicks: the two page checks, the key filters
// of the address boxes and what a passing key does to Finish, the multicast box, the force-layer-3 note and
// the two ways to the PC's own addresses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "audio_buffer_form.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

constexpr const char* kMacMessage = "You must enter a valid KEZ system MAC Address.";
constexpr const char* kIpMessage = "You must enter a valid KEZ system IP Address.";

// On the box's indicator: a check box or option stretched by its layout takes clicks on its indicator and text only.
void clickBox(QAbstractButton& box) { QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, box.height() / 2)); }

struct OnPage {
    OnPage(int page) {
        auto& bar = *control<QTabWidget>(wizard.form, "sstWizard").tabBar();
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(page).center());
    }
    QLineEdit& edit(const char* name) { return control<QLineEdit>(wizard.form, name); }
    void type(const char* name, const QString& keys) {
        edit(name).clear();
        QTest::keyClicks(&edit(name), keys);
    }
    void next() { QTest::mouseClick(&control<QPushButton>(wizard.form, "cmdNext"), Qt::LeftButton); }
    bool finishEnabled() { return control<QPushButton>(wizard.form, "cmdFinish").isEnabled(); }

    WizardWorld world;
    OpenedWizard wizard;
};

TEST(NetworkPages, TheMacCheckTakesSeventeenCharactersOfHexadecimalPairsWhateverTheSeparators) {
    struct {
        const char* text;
        bool typed;
        bool passes;
    } const cases[] = {{"00:00:00:00:00:00", true, true},   {"00x11y22z33w44v55", true, true},
                       {"00:1a:2b:3C:4d:5E", true, true},   {"00:11:22:33:44:5", true, false},
                       {"00:11:22:33:44:555", true, false}, {"00:11:22:33:44:GG", true, false},
                       {"                 ", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        OnPage page(kMacInfoPage);
        if (c.typed) {
            page.type("txtVuruvMacAddress", c.text);
        } else {
            page.edit("txtVuruvMacAddress").setText(c.text); // as discovery or the store gives it
        }
        ASSERT_EQ(page.edit("txtVuruvMacAddress").text(), c.text);
        page.next();
        EXPECT_EQ(page.wizard.form.state(), c.passes ? kIpInfoPage : kMacInfoPage);
        EXPECT_EQ(boxTexts(page.world.boxes()),
                  c.passes ? std::vector<std::string>{} : std::vector{std::string(kMacMessage)});
        EXPECT_EQ(page.finishEnabled(), c.passes);
    }
}

TEST(NetworkPages, TheIpCheckTakesTheFirstRuleThatApplies) {
    struct {
        const char* ip;
        bool force;
        int version;
        const char* message; // none: passes
        const char* title;
    } const cases[] = {
        {"", false, 0, nullptr, nullptr},
        {"", true, 3, "Cannot force to layer 3 without the KEZ system IP Address.", "Error"},
        {"198.18.0.1", false, 0, "Please select the version of the KEZ system.", "OmbrelWizard"},
        {"198.18.0.1", true, 1, nullptr, nullptr},
        {"198.18.0", false, 3, kIpMessage, "OmbrelWizard"},
        {"198.18.0.256", false, 3, kIpMessage, "OmbrelWizard"},
        {"1.2.3.4.5", false, 3, kIpMessage, "OmbrelWizard"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ip);
        OnPage page(kIpInfoPage);
        page.type("txtVuruvIPAddress", c.ip);
        control<QCheckBox>(page.wizard.form, "chkForceLayer3").setChecked(c.force);
        control<QComboBox>(page.wizard.form, "cboXAVVersion").setCurrentIndex(c.version);
        page.next();
        EXPECT_EQ(page.wizard.form.state(), c.message == nullptr ? kSarvikPage : kIpInfoPage);
        std::vector<ui::MessageBox> expected;
        if (c.message != nullptr) expected.push_back({c.message, c.title, ui::Icon::Information});
        EXPECT_EQ(page.world.boxes(), expected);
        EXPECT_EQ(page.finishEnabled(), c.message == nullptr);
    }
}

TEST(NetworkPages, EachAddressBoxKeepsOnlyItsCharactersAndAPassingKeyGivesFinishBack) {
    struct {
        int page;
        const char* box;
        const char* keys;
        const char* kept;
    } const cases[] = {
        {kMacInfoPage, "txtVuruvMacAddress", "1a:G;-. ", "1a:G"},
        {kMacInfoPage, "txtMulticastAddress", "01:5e/_Z", "01:5eZ"},
        {kIpInfoPage, "txtVuruvIPAddress", "1a.2 3:", "1.23"},
    };
    QApplication::clipboard()->setText("198.18.0.1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        OnPage page(c.page);
        control<QCheckBox>(page.wizard.form, "chkUseMulticastAddress").setChecked(true);
        auto& edit = page.edit(c.box);
        edit.setEnabled(true);
        edit.clear();
        control<QPushButton>(page.wizard.form, "cmdFinish").setEnabled(false);
        QTest::keyClicks(&edit, "-/;");
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_FALSE(page.finishEnabled()) << "no key passed yet";
        QTest::keyClicks(&edit, c.keys);
        EXPECT_EQ(edit.text(), c.kept);
        EXPECT_TRUE(page.finishEnabled());
    }
}

TEST(NetworkPages, EnterInAnAddressBoxPressesTheDefaultButton) {
    OnPage page(kMacInfoPage);
    page.type("txtVuruvMacAddress", "00:1A:2B:3C:4D:5E");
    QTest::keyClick(&page.edit("txtVuruvMacAddress"), Qt::Key_Return);
    EXPECT_EQ(page.wizard.form.state(), kIpInfoPage);
}

TEST(NetworkPages, TheAudioDialogsNumberBoxesTakeDigitsAndPoints) {
    OnPage page(kWelcomePage);
    for (const char* box : {"txtAudioBufferSize", "txtMultiplier"}) {
        auto& edit = control<QLineEdit>(page.wizard.form.audioBufferForm(), box);
        edit.clear();
        QTest::keyClicks(&edit, "1a0.-5");
        EXPECT_EQ(edit.text(), "10.5") << box;
    }
}

TEST(NetworkPages, TheMulticastBoxExplainsItselfToAClickAndAlwaysOffersTheDefault) {
    OnPage page(kMacInfoPage);
    auto& use = control<QCheckBox>(page.wizard.form, "chkUseMulticastAddress");
    auto& address = page.edit("txtMulticastAddress");
    EXPECT_FALSE(address.isEnabled());
    clickBox(use);
    EXPECT_TRUE(address.isEnabled());
    EXPECT_EQ(address.text(), "01:00:5E:00:01:3B");
    page.type("txtMulticastAddress", "01:00:5E:11:22:33");
    clickBox(use);
    EXPECT_FALSE(address.isEnabled());
    EXPECT_EQ(address.text(), "");
    clickBox(use);
    EXPECT_EQ(address.text(), "01:00:5E:00:01:3B");
    const std::string explanation =
        "This feature allows you to set the \"System State Multicast MAC address\" that is being used by your KEZ "
        "system.\r\nIt is only required for certain NICs that cannot be configured to view all multicast traffic "
        "but must be set to view specific addresses.\r\nA default \"System State Multicast MAC address\" will be "
        "provided.";
    EXPECT_EQ(page.world.boxes(),
              (std::vector<ui::MessageBox>(2, {explanation, "OmbrelWizard", ui::Icon::Information})));
}

TEST(NetworkPages, AStoredMulticastChoiceShowsTheStoredAddressOnlyWhenItIsOne) {
    for (const auto& [stored, shown] :
         std::vector<std::pair<std::string, std::string>>{{"01:00:5E:7F:00:01", "01:00:5E:7F:00:01"},
                                                          {"01:00:5E", "01:00:5E:00:01:3B"},
                                                          {"", "01:00:5E:00:01:3B"}}) {
        WizardWorld world;
        world.seed(
            {{"Communications", "UseMulticastMacAddress", "True"}, {"Communications", "MulticastMACAddress", stored}});
        OpenedWizard wizard;
        EXPECT_EQ(control<QLineEdit>(wizard.form, "txtMulticastAddress").text().toStdString(), shown);
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(NetworkPages, ForcingLayerThreeExplainsItselfAndTheOptionsEnableOneButtonEach) {
    OnPage page(kIpInfoPage);
    auto& force = control<QCheckBox>(page.wizard.form, "chkForceLayer3");
    clickBox(force);
    clickBox(force);
    EXPECT_EQ(boxTexts(page.world.boxes()),
              std::vector<std::string>{"Selecting \"Force Layer 3\" should only be done when Ombrel is on a different "
                                       "subnet.\r\nWith Force Layer 3 checked the Ombrel initialization process will "
                                       "be faster."});
    auto& test = control<QPushButton>(page.wizard.form, "cmdTestAutoRetrieve");
    auto& settings = control<QPushButton>(page.wizard.form, "cmdIPOverrideSettings");
    EXPECT_TRUE(test.isEnabled());
    EXPECT_FALSE(settings.isEnabled());
    clickBox(control<QRadioButton>(page.wizard.form, "optOverrideIPInfo"));
    EXPECT_FALSE(test.isEnabled());
    EXPECT_TRUE(settings.isEnabled());
    clickBox(control<QRadioButton>(page.wizard.form, "optReadInfoAutomatically"));
    EXPECT_TRUE(test.isEnabled());
    EXPECT_FALSE(settings.isEnabled());
}

} // namespace
} // namespace kez::wizard::test
