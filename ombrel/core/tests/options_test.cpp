// OptionsClass against the settings table of its design, on real hive files; stored bytes checked with kezreg.
#include <gtest/gtest.h>

#include <map>

#include "kez/reg/registry.h"
#include "ombrel/options.h"
#include "ombrel/registry.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

struct Stored {
    const char* subkey;
    const char* name;
    const char* defaultText;
    const char* otherText; // a value of its width other than the default
    bool perUser;
};

// Every stored value, with its default when missing.
const Stored kStored[] = {
    {"UI", "Type", "2", "1", false},
    {"Communications", "VuruvMac", "", "00:11:22:33:44:55", false},
    {"Audio", "AudioBufferSize", "5", "7", false},
    {"Audio", "AudioBufferMultiplier", "2", "3", false},
    {"Communications", "ForceLayer3", "False", "True", false},
    {"Communications", "VuruvIP", "", "198.18.0.9", false},
    {"Communications", "RirovuruzIP", "111.111.111.111", "198.18.0.2", false},
    {"Communications", "RirovuruzNetMask", "255.255.255.0", "255.255.0.0", false},
    {"Communications", "RirovuruzGateway", "111.111.111.111", "198.18.0.1", false},
    {"UI", "Transparent", "False", "True", false},
    {"Audio", "ControlMixer", "False", "True", true},
    {"Audio", "ClickDTMF", "False", "True", false},
    {"UI", "SuppressStandby", "True", "False", false},
    {"Communications", "ReadIPInfoAutomatically", "True", "False", false},
    {"Wizard", "AutoLaunch", "True", "False", false},
    {"Communications", "AllMulticast", "False", "True", false},
    {"Communications", "Adapter", "-1", "3", false},
    {"Audio", "RecordAdapter", "-1", "4", false},
    {"Audio", "PlayAdapter", "-1", "5", false},
    {"Audio", "BeepFrequency", "1000", "1200", false},
    {"Audio", "BeepDuration", "500", "250", false},
    {"Communications", "Country", "1", "16", false},
    {"Communications", "Advanced", "0", "1", false},
    {"Communications", "Documention", "1", "9", false},
    {"Communications", "TonesCadences", "1", "12", false},
    {"Audio", "ShareWave", "False", "True", false},
    {"Audio", "ToneVolume", "100", "80", true},
    {"Audio", "ShutDownDelay", "2", "6", false},
    {"Communications", "XAVVersion", "0", "4", false},
    {"Communications", "MulticastMACAddress", "01:00:5E:00:01:3B", "01:00:5E:00:02:01", false},
    {"Communications", "UseMulticastMacAddress", "False", "True", false},
    {"Communications", "UseKEZSystemTime", "False", "True", false},
    {"Communications", "IncomingCallPopup", "True", "False", true},
    {"Wizard", "FinishCheckBox", "True", "False", false},
    {"Communications", "ProcessPriorityLevel", "1", "2", false},
    {"UI", "WindowPosLeft", "-1", "120", false},
    {"UI", "WindowPosRight", "-1", "-40", false},
};

// kezreg's export as "Subkey\Name" -> "sz:\"text\"".
std::map<std::string, std::string> exported(const std::string& text) {
    std::map<std::string, std::string> values;
    std::string subkey;
    for (const auto& line : test::splitLines(text)) {
        if (line.starts_with('[')) {
            subkey = line.substr(line.rfind('\\') + 1, line.size() - line.rfind('\\') - 2);
        } else if (const auto equals = line.find("\"="); line.starts_with('"') && equals != std::string::npos) {
            values[subkey + "\\" + line.substr(1, equals - 1)] = line.substr(equals + 2);
        }
    }
    return values;
}

std::string sz(const std::string& text) { return "sz:\"" + text + "\""; }

void store(Hive hive, const char* subkey, const char* name, const char* text) {
    gSetRegParam(hive, settingsKey(subkey), name, text);
}

// `probed`: the machine hive also holds the write probe's "Safety" value.
void expectStored(const test::OmbrelWorld& world, bool defaults, bool probed) {
    const auto machine = exported(world.exportSettings("HKLM"));
    const auto user = exported(world.exportSettings("HKCU"));
    EXPECT_EQ(machine.size(), std::size(kStored) + (probed ? 1 : 0));
    EXPECT_EQ(user.size(), 3u);
    for (const auto& row : kStored) {
        const auto where = std::string(row.subkey) + "\\" + row.name;
        const auto expected = sz(defaults ? row.defaultText : row.otherText);
        EXPECT_EQ(machine.count(where) ? machine.at(where) : "missing", expected) << where;
        if (row.perUser) {
            EXPECT_EQ(user.count(where) ? user.at(where) : "missing", expected) << where;
        }
    }
}

TEST(Options, EmptyHivesGiveEveryDefaultAndSaveItsText) {
    const test::OmbrelWorld world;
    OptionsClass options;
    options.LoadSettings();
    EXPECT_EQ(options.sActiveRirovuruzIPAddress(), "111.111.111.111");
    EXPECT_EQ(options.sActiveRirovuruzSubnetMask(), "255.255.255.255");
    EXPECT_EQ(options.sActiveRirovuruzGateway(), "0.0.0.0");
    bool refused = false;
    options.SaveSettings(true, refused);
    EXPECT_FALSE(refused);
    expectStored(world, true, true);

    reg::Key key;
    reg::Value value;
    ASSERT_EQ(reg::Key::open(Hive::LocalMachine, settingsKey("Communications"), reg::Access::Read, key),
              reg::Status::Ok);
    ASSERT_EQ(key.queryValue("VuruvIP", value), reg::Status::Ok);
    EXPECT_EQ(value.bytes, std::vector<std::uint8_t>{0}); // the empty text is one zero byte
}

TEST(Options, EveryStoredMemberRoundTrips) {
    const test::OmbrelWorld world;
    for (const auto& row : kStored)
        store(Hive::LocalMachine, row.subkey, row.name, row.otherText);
    OptionsClass options;
    options.LoadSettings();
    EXPECT_EQ(options.sActiveRirovuruzIPAddress(), "198.18.0.2");
    EXPECT_EQ(options.sActiveRirovuruzSubnetMask(), "255.255.0.0");
    EXPECT_EQ(options.sActiveRirovuruzGateway(), "198.18.0.1");

    std::filesystem::remove(world.registry().machineFile());
    world.registry().reopen();
    options.SaveSettings(false);
    expectStored(world, false, false);
}

TEST(Options, UserValuesOverrideTheMachinesAndMissingOnesKeepIt) {
    struct {
        const char* machine;
        const char* user;
        std::int16_t volume;
    } const cases[] = {{"80", "50", 50}, {"80", nullptr, 80}, {nullptr, nullptr, 100}, {"80", "99999", 80}};
    for (const auto& c : cases) {
        const test::OmbrelWorld world;
        if (c.machine) store(Hive::LocalMachine, "Audio", "ToneVolume", c.machine);
        if (c.user) store(Hive::CurrentUser, "Audio", "ToneVolume", c.user);
        store(Hive::LocalMachine, "Communications", "IncomingCallPopup", "True");
        store(Hive::CurrentUser, "Communications", "IncomingCallPopup", "False");
        OptionsClass options;
        options.LoadSettings();
        EXPECT_EQ(options.lToneVolume, c.volume) << (c.user ? c.user : "none");
        EXPECT_FALSE(options.bDisplayIncomingPopUp);
    }
}

TEST(Options, AValueTooLargeForItsWidthTakesItsDefaultIsLoggedAndTheLoadGoesOn) {
    const test::OmbrelWorld world;
    store(Hive::LocalMachine, "UI", "Type", "40000");
    store(Hive::LocalMachine, "Communications", "Country", "5");
    OptionsClass options;
    options.LoadSettings();
    EXPECT_EQ(options.nUIType, 2);
    EXPECT_EQ(options.lCountry, 5);
    EXPECT_EQ(world.logTexts(), std::vector<std::string>{"ERROR:  OptionsClass.LoadSettings [6H] - Type"});
}

TEST(Options, AStaleUserCopyOfInitializedProperlyLosesToTheNextWrite) {
    const test::OmbrelWorld world;
    store(Hive::CurrentUser, "Safety", "InitializedProperly", "False");
    OptionsClass options;
    EXPECT_FALSE(options.bInitializedProperly());
    options.bInitializedProperly(true);
    EXPECT_TRUE(options.bInitializedProperly());
    EXPECT_EQ(gGetRegParamString(Hive::LocalMachine, settingsKey("Safety"), "InitializedProperly", ""), "True");
}

TEST(Options, DumpSettingsWritesTheSettingsToTheLog) {
    const test::OmbrelWorld world;
    store(Hive::LocalMachine, "UI", "Type", "1");
    store(Hive::LocalMachine, "UI", "Transparent", "True");
    store(Hive::LocalMachine, "Communications", "VuruvMac", "00:11:22:33:44:55");
    store(Hive::LocalMachine, "Communications", "VuruvIP", "198.18.0.9");
    store(Hive::LocalMachine, "Communications", "Adapter", "2");
    store(Hive::LocalMachine, "Audio", "ClickDTMF", "True");
    store(Hive::LocalMachine, "Audio", "BeepDuration", "250");
    OptionsClass options;
    options.LoadSettings();
    options.DumpSettings();
    const std::vector<std::string> golden{
        "Dump Options START [",
        "  - UI - Type                                 = 1",
        "  - UI - Transparent                          = 1",
        "  - UI - Suppress Standby                     = 1",
        "  - Communications - VuruvMac                 = 00:11:22:33:44:55",
        "  - Communications - VuruvIP                  = 198.18.0.9",
        "  - Communications - RirovuruzIP              = 111.111.111.111",
        "  - Communications - RirovuruzNetMask         = 255.255.255.0",
        "  - Communications - RirovuruzGateway         = 111.111.111.111",
        "  - Communications - ForceLayer3              = False",
        "  - Communications - ReadIPInfoAutomatically  = True",
        "  - Communications - nAdapterIndex            = 2",
        "  - Communications - AllMulticast             = False",
        "  - Audio - AudioBufferSize                   = 5",
        "  - Audio - AudioBufferMultiplier             = 2",
        "  - Audio - ClickDTMF                         = True",
        "  - Audio - ControlMixer                      = False",
        "  - Audio - BeepFrequency                     = 1000",
        "  - Audio - BeepDuration                      = 250",
        "  - GUI - ImagePath                           = \\bitmaps\\bigkzset\\",
        "  - GUI - BackgroundImage                     = Ombrel_100_with shadow.bmp",
        "  - GUI - AutoLaunch                          = True",
        "] END Dump Options",
    };
    EXPECT_EQ(world.logTexts(), golden);
}

} // namespace
} // namespace kez::ombrel
