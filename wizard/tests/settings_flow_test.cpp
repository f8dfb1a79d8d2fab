// The settings' road through the wizard against hives written and read by kezreg: what the pages show of
// them, what Finish stores, what nothing else stores, the one-time adapter reset and the ways start-up ends.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "audio_buffer_form.h"
#include "kez/reg/registry.h"
#include "override_ip_settings_form.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

// As the user's click (the control may lie on a page not shown).
void click(const ConfigWizardForm& form, const char* name) { control<QAbstractButton>(form, name).click(); }

QString text(const QWidget& root, const char* name) { return control<QLineEdit>(root, name).text(); }
int position(const QWidget& root, const char* name) { return control<QComboBox>(root, name).currentIndex(); }
bool checked(const QWidget& root, const char* name) { return control<QAbstractButton>(root, name).isChecked(); }
bool enabled(const QWidget& root, const char* name) { return control<QWidget>(root, name).isEnabled(); }

TEST(SettingsFlow, EveryStoredSettingIsShownAndFinishStoresThePagesAsTheyStand) {
    WizardWorld world;
    world.seed({{"Communications", "VuruvMac", "00:1a:2B:3c:4D:5e"},
                {"Communications", "VuruvIP", "198.18.0.10"},
                {"Communications", "ReadIPInfoAutomatically", "False"},
                {"Communications", "ForceLayer3", "True"},
                {"Communications", "XAVVersion", "3"},
                {"Communications", "Adapter", "1"},
                {"Communications", "UseMulticastMacAddress", "True"},
                {"Communications", "MulticastMACAddress", "01:00:5E:7F:00:01"},
                {"Communications", "Country", "15"},
                {"Communications", "Advanced", "1"},
                {"Communications", "RirovuruzIP", "198.18.0.77"},
                {"Communications", "RirovuruzNetMask", "255.255.254.0"},
                {"Communications", "RirovuruzGateway", "198.18.0.1"},
                {"Audio", "AudioBufferSize", "4"},
                {"Audio", "AudioBufferMultiplier", "3"},
                {"Audio", "PlayAdapter", "0"},
                {"Audio", "RecordAdapter", "-1"},
                {"Wizard", "FinishCheckBox", "True"}});
    OpenedWizard wizard;
    ASSERT_TRUE(wizard.initialised);
    const auto& form = wizard.form;
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "KEZ Ombrel Configuration Wizard");
    EXPECT_EQ(text(form, "txtVuruvMacAddress"), "00:1a:2B:3c:4D:5e");
    EXPECT_EQ(text(form, "txtVuruvIPAddress"), "198.18.0.10");
    EXPECT_TRUE(checked(form, "optOverrideIPInfo"));
    EXPECT_FALSE(checked(form, "optReadInfoAutomatically"));
    EXPECT_TRUE(enabled(form, "cmdIPOverrideSettings"));
    EXPECT_FALSE(enabled(form, "cmdTestAutoRetrieve"));
    EXPECT_TRUE(checked(form, "chkForceLayer3"));
    EXPECT_EQ(control<QComboBox>(form, "cboXAVVersion").currentText(), "R3.X.X");
    EXPECT_EQ(control<QComboBox>(form, "cboAdapters").currentText(), "Realtek RTL8139");
    EXPECT_TRUE(checked(form, "chkUseMulticastAddress"));
    EXPECT_EQ(text(form, "txtMulticastAddress"), "01:00:5E:7F:00:01");
    EXPECT_EQ(control<QComboBox>(form, "cboCountry").currentText(), "China, Hong Kong (Cantonese)");
    EXPECT_TRUE(checked(form, "chkAdvanced"));
    EXPECT_FALSE(enabled(form, "cboCountry"));
    EXPECT_TRUE(enabled(form, "cmdAdvanced"));
    EXPECT_TRUE(checked(form, "chkLaunchOmbrel"));
    const auto& manual = form.overrideIPSettingsForm();
    EXPECT_EQ(text(manual, "txtSoftphoneIPAddress"), "198.18.0.77");
    EXPECT_EQ(text(manual, "txtSoftphoneSubnetMask"), "255.255.254.0");
    EXPECT_EQ(text(manual, "txtSoftphoneGateway"), "198.18.0.1");
    const auto& audio = form.audioBufferForm();
    EXPECT_EQ(text(audio, "txtAudioBufferSize"), "4");
    EXPECT_EQ(text(audio, "txtMultiplier"), "3");
    EXPECT_EQ(control<QComboBox>(audio, "cboPlayAdapters").currentText(), "HDA Intel PCH: ALC3246 Analog");
    EXPECT_EQ(control<QComboBox>(audio, "cboRecordAdapters").currentText(), "< Use default adapter >");
    EXPECT_TRUE(world.boxes().empty()) << "refreshing explains nothing";

    control<QLineEdit>(form, "txtVuruvIPAddress").setText("198.18.0.20");
    control<QComboBox>(form, "cboXAVVersion").setCurrentIndex(3);
    click(form, "chkForceLayer3");
    click(form, "optReadInfoAutomatically");
    control<QComboBox>(form, "cboAdapters").setCurrentIndex(0);
    click(form, "chkUseMulticastAddress");
    control<QComboBox>(form, "cboCountry").setCurrentIndex(1);
    click(form, "chkLaunchOmbrel");
    world.clearBoxes();
    click(form, "cmdFinish");
    EXPECT_EQ(wizard.ended, 1);
    EXPECT_EQ(boxTexts(world.boxes()), std::vector<std::string>{});
    auto stored = world.stored();
    const std::map<std::string, std::string> expected{{"Communications\\VuruvMac", "00:1a:2B:3c:4D:5e"},
                                                      {"Communications\\VuruvIP", "198.18.0.20"},
                                                      {"Communications\\ReadIPInfoAutomatically", "True"},
                                                      {"Communications\\Adapter", "-1"},
                                                      {"Communications\\UseMulticastMacAddress", "False"},
                                                      {"Communications\\MulticastMACAddress", ""},
                                                      {"Communications\\ForceLayer3", "False"},
                                                      {"Communications\\XAVVersion", "4"},
                                                      {"Communications\\Country", "2"},
                                                      {"Communications\\Advanced", "1"},
                                                      {"Safety\\InitializedProperly", "True"},
                                                      {"Wizard\\FinishCheckBox", "False"},
                                                      {"Wizard\\AutoLaunch", "False"},
                                                      {"Audio\\PlayAdapter", "0"}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(stored[name], value) << name;
}

TEST(SettingsFlow, UnknownVersionsShowNoneAndACountryTheListLacksIsKept) {
    struct {
        const char* version;
        int versionShown;
        const char* country;
        int countryShown;
        const char* versionStored;
    } const cases[] = {{"0", 0, "9", -1, "1"}, {"7", 0, "21", 17, "1"}, {"2", 1, "1", 0, "2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        WizardWorld world;
        world.seed({{"Communications", "XAVVersion", c.version},
                    {"Communications", "Country", c.country},
                    {"Communications", "VuruvMac", "00:1A:2B:3C:4D:5E"},
                    {"Wizard", "FinishCheckBox", "False"}});
        OpenedWizard wizard;
        EXPECT_EQ(position(wizard.form, "cboXAVVersion"), c.versionShown);
        EXPECT_EQ(position(wizard.form, "cboCountry"), c.countryShown);
        control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText("   ");
        click(wizard.form, "cmdFinish");
        EXPECT_EQ(boxTexts(world.boxes()), std::vector<std::string>{});
        auto stored = world.stored();
        EXPECT_EQ(stored["Communications\\VuruvIP"], "") << "blanks only";
        EXPECT_EQ(stored["Communications\\XAVVersion"], c.versionStored);
        EXPECT_EQ(stored["Communications\\Country"], c.country);
    }
}

TEST(SettingsFlow, CancelTheCloseBoxAndEscapeStoreNothing) {
    for (const char* how : {"Cancel", "close box", "Escape"}) {
        SCOPED_TRACE(how);
        WizardWorld world;
        world.seed({{"Communications", "VuruvIP", "198.18.0.10"}, {"Safety", "InitializedProperly", "True"}});
        const auto machine = world.machineBytes();
        const auto user = world.userBytes();
        {
            OpenedWizard wizard;
            control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText("198.18.0.99");
            if (how == std::string("Cancel")) click(wizard.form, "cmdCancel");
            if (how == std::string("close box")) wizard.form.close();
            if (how == std::string("Escape")) QTest::keyClick(&wizard.form, Qt::Key_Escape);
            EXPECT_EQ(wizard.ended, how == std::string("Escape") ? 0 : 1);
            EXPECT_EQ(wizard.form.isVisible(), how == std::string("Escape"));
        }
        EXPECT_EQ(world.machineBytes(), machine);
        EXPECT_EQ(world.userBytes(), user);
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(SettingsFlow, FinishShowsTheFirstFaultyPageAndStoresNothing) {
    struct {
        bool force;
        const char* ip;
        int version;
        const char* mac;
        const char* multicast; // checked with this text, or unchecked
        int page;
        const char* title;
        const char* message;
    } const cases[] = {
        {true, " ", 3, "00:00", nullptr, 4, "Error", "Cannot force to layer 3 without the KEZ system IP Address."},
        {false, "198.18.0", 3, "00:00", nullptr, 4, "OmbrelWizard", "You must enter a valid KEZ system IP Address."},
        {false, "198.18.0.1", 0, "00:00", nullptr, 4, "OmbrelWizard", "Please select the version of the KEZ system."},
        {false, "", 0, "00:00", nullptr, 3, "OmbrelWizard", "You must enter a valid KEZ system MAC Address."},
        {false, "", 0, "00:00:00:00:00:00", "01:00:5E", 3, "OmbrelWizard",
         "You must enter a valid KEZ system state multicast MAC address."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        WizardWorld world;
        world.seed({{"Safety", "InitializedProperly", "True"}});
        const auto machine = world.machineBytes();
        OpenedWizard wizard;
        const auto& form = wizard.form;
        control<QCheckBox>(form, "chkForceLayer3").setChecked(c.force);
        control<QLineEdit>(form, "txtVuruvIPAddress").setText(c.ip);
        control<QComboBox>(form, "cboXAVVersion").setCurrentIndex(c.version);
        control<QLineEdit>(form, "txtVuruvMacAddress").setText(c.mac);
        control<QCheckBox>(form, "chkUseMulticastAddress").setChecked(c.multicast != nullptr);
        control<QLineEdit>(form, "txtMulticastAddress").setText(c.multicast);
        click(form, "cmdFinish");
        EXPECT_EQ(wizard.ended, 0);
        EXPECT_EQ(form.state(), c.page);
        EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{{c.message, c.title, ui::Icon::Information}}));
        // Only the pages' own checks take Finish away.
        EXPECT_EQ(enabled(form, "cmdFinish"), c.force);
        EXPECT_EQ(world.machineBytes(), machine);
    }
}

TEST(SettingsFlow, FinishWithoutTheRightToWriteSaysSoKeepsThePagesOutAndEnds) {
    WizardWorld world;
    world.seed({{"Communications", "VuruvMac", "00:1A:2B:3C:4D:5E"}, {"Wizard", "FinishCheckBox", "False"}});
    const auto machine = world.machineBytes();
    reg::setReadOnly(reg::Hive::LocalMachine, true);
    OpenedWizard wizard;
    control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText("198.18.0.20");
    control<QComboBox>(wizard.form, "cboXAVVersion").setCurrentIndex(3);
    click(wizard.form, "cmdFinish");
    reg::setReadOnly(reg::Hive::LocalMachine, false);
    EXPECT_EQ(wizard.ended, 1);
    EXPECT_EQ(world.boxes(),
              (std::vector<ui::MessageBox>{{"Failed to save your settings. Please check your user privileges.", "Error",
                                            ui::Icon::Exclamation}}));
    EXPECT_EQ(world.machineBytes(), machine);
    EXPECT_EQ(world.exportSettings("HKCU").find("198.18.0.20"), std::string::npos);
}

TEST(SettingsFlow, AStoredDeviceBeyondItsListResetsAllThreeOnceAndShowsTheDefault) {
    for (const auto& beyond : std::vector<StoredValue>{
             {"Communications", "Adapter", "5"}, {"Audio", "PlayAdapter", "1"}, {"Audio", "RecordAdapter", "-3"}}) {
        SCOPED_TRACE(beyond.name);
        WizardWorld world;
        world.seed(
            {{"Communications", "Adapter", "0"}, {"Audio", "PlayAdapter", "0"}, {"Audio", "RecordAdapter", "0"}});
        world.seed({beyond});
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        EXPECT_TRUE(world.boxes().empty());
        auto stored = world.stored();
        for (const char* name : {"Communications\\Adapter", "Audio\\PlayAdapter", "Audio\\RecordAdapter"})
            EXPECT_EQ(stored[name], "-1") << name;
        EXPECT_EQ(control<QComboBox>(wizard.form, "cboAdapters").currentText(), "< Use default adapter >");
        EXPECT_EQ(position(wizard.form.audioBufferForm(), "cboPlayAdapters"), 0);
        EXPECT_EQ(position(wizard.form.audioBufferForm(), "cboRecordAdapters"), 0);
    }
}

TEST(SettingsFlow, StartUpEndsWithTheWizardsBoxOnASecondResetOrAnyOtherError) {
    WizardWorld world;
    world.seed({{"Communications", "Adapter", "5"}});
    reg::setReadOnly(reg::Hive::LocalMachine, true); // the reset cannot be stored, so the retry fails too
    {
        OpenedWizard wizard;
        EXPECT_FALSE(wizard.initialised);
        EXPECT_FALSE(wizard.form.isVisible());
    }
    reg::setReadOnly(reg::Hive::LocalMachine, false);
    world.engines.prepare([](ombrel::testing::FakeEngine& engine) {
        engine.setProperty("varAdapters", com::SafeArray::fromTexts({"eth0"}));
        engine.failOn("get_varRecordAdapters", com::E_FAIL, "WaveRecord object create failure");
    });
    {
        OpenedWizard wizard;
        EXPECT_FALSE(wizard.initialised);
    }
    const auto boxes = world.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0],
              (ui::MessageBox{"Description: Invalid property value ,  Error #: 380", "Error", ui::Icon::Critical}));
    EXPECT_EQ(boxes[1].title, "Error") << "the wrapper's own box";
    EXPECT_EQ(boxes[2], (ui::MessageBox{"Description: Type mismatch ,  Error #: 13", "Error", ui::Icon::Critical}));
}

TEST(SettingsFlow, NoNetworkAdapterEndsTheWizardWithALogLineOnly) {
    WizardWorld world;
    world.engines.prepare([](ombrel::testing::FakeEngine& engine) {
        engine.setProperty("varPlayAdapters", com::SafeArray::fromTexts({}));
        engine.setProperty("varRecordAdapters", com::SafeArray::fromTexts({}));
    });
    OpenedWizard wizard;
    EXPECT_FALSE(wizard.initialised);
    EXPECT_EQ(wizard.ended, 1);
    EXPECT_FALSE(wizard.form.isVisible());
    EXPECT_EQ(wizard.form.oOptions(), nullptr);
    EXPECT_TRUE(world.boxes().empty());
    EXPECT_EQ(world.logTexts(), std::vector<std::string>{"Wizard ended: no network adapter listed."});
}

TEST(SettingsFlow, AnEngineErrorIsShownAndLoggedAndTheWizardGoesOn) {
    struct {
        std::uint32_t number;
        const char* description;
        const char* shown;
    } const cases[] = {
        {0x80070200u, "acmStreamOpen failed",
         "Cannot find/access specified audio codec.  Ensure that the required\naudio codecs are available on the "
         "system, and are enabled for use."},
        {0x80043002u, "connect failed 111", "connect failed 111"},
    };
    for (const auto& c : cases) {
        WizardWorld world;
        OpenedWizard wizard;
        const auto number = static_cast<std::int32_t>(c.number);
        world.engine()->fire([&](auto& e) { e.Error(number, c.description); });
        const std::string hex = c.number == 0x80070200u ? "80070200" : "80043002";
        EXPECT_EQ(world.boxes(), (std::vector<ui::MessageBox>{{"Error code [" + hex + "H]\r\n\r\n" + c.shown,
                                                               "Internal engine error", ui::Icon::Critical}}));
        std::string logged = "ERROR:  Internal engine error [" + hex + "H] - " + c.shown;
        if (const auto lineBreak = logged.find('\n'); lineBreak != std::string::npos)
            logged.replace(lineBreak, 1, "\\x0A"); // the log keeps each entry on one line
        auto lines = world.logTexts();
        // Logged by the engine wrapper and by the box: the log counts the repeat.
        EXPECT_EQ(std::count(lines.begin(), lines.end(), logged), 1) << logged;
        EXPECT_EQ(wizard.ended, 0);
    }
}

} // namespace
} // namespace kez::wizard::test
