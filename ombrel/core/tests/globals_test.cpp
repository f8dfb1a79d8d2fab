// The shared routines: country tables, address text against the C library, key filters, the log's error
// entries and the error box.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <random>
#include <string>

#include "kez/com/safe_array.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/options.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

com::Variant bytesOf(std::vector<std::uint8_t> bytes) {
    return *com::SafeArray::fromBytes(com::ElementType::UI1, bytes);
}

TEST(CountryTables, GiveTheToneTableAndHelpLanguageOfEachCode) {
    // Codes 0 to 22.
    const std::int32_t tones[] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 10, 11, 12, 13, 15, 15, 14, 16, 17, 18, 1, 1};
    const std::int32_t languages[] = {1, 1, 2, 1, 3, 4, 1, 5, 6, 8, 7, 1, 1, 1, 1, 8, 7, 1, 1, 1, 5, 1, 1};
    for (std::int32_t code = 0; code <= 22; ++code) {
        EXPECT_EQ(gCountryToToneTable(code), tones[code]) << code;
        EXPECT_EQ(gCountryToHelpLanguage(code), languages[code]) << code;
    }
    EXPECT_EQ(gCountryToToneTable(-1), 1);
}

TEST(HelpFiles, FollowTheStoredCountryOrDocumentationLanguage) {
    struct {
        const char* advanced;
        const char* documention;
        const char* country;
        const char* file;
    } const cases[] = {
        {nullptr, nullptr, nullptr, "Help\\english.hlp"}, {"0", "9", "2", "Help\\french.hlp"},
        {"1", "16", "2", "Help\\TRADITIONAL.hlp"},        {"1", nullptr, "2", "Help\\english.hlp"},
        {nullptr, "4", "9", "Help\\SIMPLIFIED.hlp"},      {"0", nullptr, "99999999999", "Help\\english.hlp"},
    };
    for (const auto& c : cases) {
        const test::OmbrelWorld world;
        const auto key = settingsKey("Communications");
        if (c.advanced) gSetRegParam(Hive::LocalMachine, key, "Advanced", c.advanced);
        if (c.documention) gSetRegParam(Hive::LocalMachine, key, "Documention", c.documention);
        if (c.country) gSetRegParam(Hive::LocalMachine, key, "Country", c.country);
        EXPECT_EQ(gHelpFileForCountry(), c.file);
    }
    EXPECT_EQ(gDefaultHelpFile(), "\\Help\\ruduzeze.hlp");
}

// Dotted quads and near misses, without leading zeros (which the C library refuses and the rule allows).
std::string generatedAddress(std::mt19937& random) {
    const char* odd[] = {"", "x", " 1", "-1"};
    std::string text;
    for (int i = 0, count = 1 + static_cast<int>(random() % 6); i < count; ++i) {
        const auto pick = random() % 24;
        text += (i > 0 ? "." : "") + (pick < 4 ? odd[pick] : std::to_string(random() % 301));
    }
    return text;
}

TEST(IPAddressText, AgreesWithInetPton) {
    std::mt19937 random(20240611);
    int valid = 0;
    for (int i = 0; i < 20000; ++i) {
        const auto text = generatedAddress(random);
        std::uint8_t raw[4] = {};
        const bool expected = ::inet_pton(AF_INET, text.c_str(), raw) == 1;
        valid += expected;
        ASSERT_EQ(gIsValidIPAddress(text), expected) << '"' << text << '"';
        ASSERT_EQ(gIPTextToBytes(text), expected ? bytesOf({raw[0], raw[1], raw[2], raw[3]}) : com::Variant()) << text;
        if (expected) {
            ASSERT_EQ(gBytesToIPText(gIPTextToBytes(text)), text);
        }
    }
    EXPECT_GT(valid, 500);
}

TEST(IPAddressText, EdgeCases) {
    for (const char* invalid : {"1.2.3", "256.1.1.1", "1.2.3.256", "   ", "", "1.2.3.4.5", "1.2.3.4.", " 1.2.3.4"})
        EXPECT_FALSE(gIsValidIPAddress(invalid)) << '"' << invalid << '"';
    EXPECT_TRUE(gIsValidIPAddress("001.02.3.0"));
    EXPECT_EQ(gBytesToIPText(com::Variant()), "0.0.0.0");
    EXPECT_EQ(gBytesToIPText(bytesOf({10, 0, 0})), "0.0.0.0");
    EXPECT_EQ(gBytesToIPText("10.0.0.1"), "0.0.0.0");
}

TEST(MacAddressText, ChecksTheHexPairsButNotTheSeparators) {
    struct {
        const char* text;
        bool valid;
        std::vector<std::uint8_t> bytes; // empty: Empty
    } const cases[] = {
        {"01:00:5E:00:01:3B", true, {0x01, 0x00, 0x5E, 0x00, 0x01, 0x3B}},
        {"01-00-5e-00-01-3b", true, {0x01, 0x00, 0x5E, 0x00, 0x01, 0x3B}},
        {"ff:ff:ff:ff:ff:ff", true, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"01:00:5E:00:01:3B:", false, {0x01, 0x00, 0x5E, 0x00, 0x01, 0x3B}},
        {"01:00:5E:00:01:3", false, {}},
        {"0G:00:5E:00:01:3B", false, {}},
        {"01:00:5E:00:01:-1", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gIsValidMacAddress(c.text), c.valid) << c.text;
        EXPECT_EQ(gMacTextToBytes(c.text), c.bytes.empty() ? com::Variant() : bytesOf(c.bytes)) << c.text;
    }
    EXPECT_TRUE(gIsHexPair("FF", "ff"));
    EXPECT_TRUE(gIsHexPair("F", "ff")); // any 16-bit hexadecimal number
    EXPECT_FALSE(gIsHexPair("FG", "ff"));
}

TEST(KeyFilters, KeepOnlyTheKeysOfTheirAddressForm) {
    struct {
        std::int16_t key;
        bool mac;
        bool ip;
    } const cases[] = {{'0', true, true},   {'9', true, true},   {'A', true, false},  {'z', true, false},
                       {':', true, false},  {'.', false, true},  {8, true, true},     {' ', false, false},
                       {'-', false, false}, {127, false, false}, {'/', false, false}, {'@', false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(gFilterMacKeyAscii(c.key), c.mac ? c.key : 0) << c.key;
        EXPECT_EQ(gFilterIPKeyAscii(c.key), c.ip ? c.key : 0) << c.key;
    }
}

TEST(ErrorReports, LogTheNumberInHexExplainTwoEngineErrorsAndShowTheCriticalBox) {
    const test::OmbrelWorld world;
    const auto boxes = std::make_shared<ui::RecordingMessageBoxes>();
    const auto previous = ui::setMessageBoxes(boxes);
    gLogError(0, "gPreventMultipleInstances True", "Found");
    gLogError(kAudioStreamError, "Internal engine error", "unused");
    gLogError(10022, "OptionsClass.SaveSettings", "RegCreateKeyEx Failure");
    gReportError(53, "mLoadControlBitmaps", "File not found", true);
    gReportError(kAudioCodecError, "mLabelSetup", "unused", false);
    ui::setMessageBoxes(previous);
    const std::string codecHint = "Cannot find/access specified audio codec.  Ensure that the required\n"
                                  "audio codecs are available on the system, and are enabled for use.";
    const std::vector<std::string> logged{
        "ERROR:  gPreventMultipleInstances True [0H] - Found",
        "ERROR:  Internal engine error [80044802H] - Error running audio stream from engine.  Could be caused by "
        "accidentally running\\x0AOmbrel and the configuration wizard at the same time.", // one entry, one line
        "ERROR:  OptionsClass.SaveSettings [2726H] - RegCreateKeyEx Failure",
        "ERROR:  mLoadControlBitmaps [35H] - File not found",
    };
    EXPECT_EQ(world.logTexts(), logged);
    const std::vector<ui::MessageBox> shown{
        {"Error code [35H]\r\n\r\nFile not found", "mLoadControlBitmaps", ui::Icon::Critical, ui::Buttons::Ok},
        {"Error code [80070200H]\r\n\r\n" + codecHint, "mLabelSetup", ui::Icon::Critical, ui::Buttons::Ok},
    };
    EXPECT_EQ(boxes->shown(), shown);
}

TEST(FaceImages, FollowTheFaceType) {
    setFaceImages(1);
    EXPECT_EQ(faceImages().RedLCDImage, "Ombrel_100_with red_lcd.bmp");
    setFaceImages(7); // the small face, the red display left as it was
    EXPECT_EQ(faceImages().ImagePath, "\\bitmaps\\smallkzset\\");
    EXPECT_EQ(faceImages().BackgroundImage, "Ombrel_75_with shadow.bmp");
    EXPECT_EQ(faceImages().RedLCDImage, "Ombrel_100_with red_lcd.bmp");
    setFaceImages(2);
    EXPECT_EQ(faceImages().RedLCDImage, "Ombrel_75_with red_lcd.bmp");
}

TEST(Files, ExistOnlyAsFilesAndWithoutWildcards) {
    const test::OmbrelWorld world;
    const auto file = world.folder() / "a.wav";
    kez::test::writeFile(file, "RIFF");
    EXPECT_TRUE(gFileExists(file.string()));
    for (const auto& path : {world.folder().string(), (world.folder() / "a*.wav").string(),
                             (world.folder() / "a?wav").string(), std::string(), (world.folder() / "b.wav").string()})
        EXPECT_FALSE(gFileExists(path)) << path;
    EXPECT_TRUE(gHasWriteAccess());
    EXPECT_FALSE(std::filesystem::exists(world.folder() / "state" / "kez-ombrel" / "temp.log"));
}

} // namespace
} // namespace kez::ombrel
