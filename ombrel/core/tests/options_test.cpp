// OptionsClass against the settings table of its design, on real hive files; stored bytes checked with kezreg.
#include <gtest/gtest.h>

#include <algorithm>

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

// The subkey under which kezreg's export lists `line`, or "missing".
std::string subkeyOf(const std::string& exported, const std::string& line) {
    const auto at = exported.find(line);
    if (at == std::string::npos) return "missing";
    const auto open = exported.rfind('[', at);
    const auto section = exported.substr(open + 1, exported.find(']', open) - open - 1);
    return section.substr(section.rfind('\\') + 1);
}

void store(Hive hive, const char* subkey, const char* name, const char* text) {
    gSetRegParam(hive, settingsKey(subkey), name, text);
}

// Every stored value as SZ text; `probed`: the machine hive also holds the write probe's "Safety" value.
void expectStored(const test::OmbrelWorld& world, bool defaults, bool probed) {
    const auto machine = world.exportSettings("HKLM");
    const auto user = world.exportSettings("HKCU");
    EXPECT_EQ(std::ranges::count(machine, '='), std::ssize(kStored) + (probed ? 1 : 0)) << machine;
    EXPECT_EQ(std::ranges::count(user, '='), 3) << user;
    for (const auto& row : kStored) {
        const auto line =
            "\"" + std::string(row.name) + "\"=sz:\"" + (defaults ? row.defaultText : row.otherText) + "\"\n";
        EXPECT_EQ(subkeyOf(machine, line), row.subkey) << line;
        EXPECT_EQ(subkeyOf(user, line), row.perUser ? row.subkey : "missing") << line;
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
    expectStored(world, true, true); // "" as sz:"" is the one zero byte of the empty text
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

    std::filesystem::remove(world.machineFile());
    world.reopen();
    options.SaveSettings(false);
    expectStored(world, false, false);
}

TEST(Options, UserValuesOverrideTheMachinesAndValuesTooLargeTakeTheirDefaultAndAreLogged) {
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
        store(Hive::LocalMachine, "UI", "Type", "40000");
        store(Hive::LocalMachine, "Communications", "Country", "5");
        OptionsClass options;
        options.LoadSettings();
        EXPECT_EQ(options.lToneVolume, c.volume) << (c.user ? c.user : "none");
        EXPECT_FALSE(options.bDisplayIncomingPopUp);
        EXPECT_EQ(options.nUIType, 2);
        EXPECT_EQ(options.lCountry, 5); // the load goes on
        EXPECT_EQ(world.logTexts().back(), "ERROR:  OptionsClass.LoadSettings [6H] - Type");
    }
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
