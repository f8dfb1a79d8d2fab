// The Registry module's read and write rules over real hive files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>

#include "kez/reg/registry.h"
#include "kez/reg/value_text.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/registry.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

const std::string kKey = settingsKey("Audio");

using Read = std::function<std::string(const char* name)>;

const Read kText = [](const char* name) { return gGetRegParamString(Hive::LocalMachine, kKey, name, "dflt"); };
const Read kLong = [](const char* name) {
    return std::to_string(gGetRegParamLong(Hive::LocalMachine, kKey, name, 1000));
};
const Read kInteger = [](const char* name) {
    return std::to_string(gGetRegParamInteger(Hive::LocalMachine, kKey, name, -5));
};
const Read kFlag = [](const char* name) {
    return std::string(gGetRegParamBoolean(Hive::LocalMachine, kKey, name, true) ? "True" : "False");
};

reg::Value raw(reg::Type type, const std::string& bytes) {
    return {type, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}
reg::Value sz(const std::string& text) { return reg::textValue(text); }

struct ReadCase {
    const char* what;
    std::optional<reg::Value> stored; // nothing: the value is missing
    Read read;
    std::string expected; // "overflow" for run-time error 6
};

TEST(Registry, ReadsFollowTheStoredTextRules) {
    const test::OmbrelWorld world;
    const kez::test::ScopedEnv folder("KEZ_TEST_FOLDER", "/opt/kez");
    const std::string longest(2047, 'x');
    const ReadCase cases[] = {
        {"missing value", std::nullopt, kLong, "1000"},
        {"boolean in lower case", sz("true"), kFlag, "False"},
        {"boolean as a digit", sz("1"), kFlag, "False"},
        {"boolean", sz("True"), kFlag, "True"},
        {"missing boolean", std::nullopt, kFlag, "True"},
        {"number followed by letters", sz("12abc"), kLong, "12"},
        {"leading blanks", sz("  -7"), kInteger, "-7"},
        {"half rounds to even, down", sz("2.5"), kInteger, "2"},
        {"half rounds to even, up", sz("3.5"), kInteger, "4"},
        {"no number", sz("abc"), kLong, "0"},
        {"16-bit overflow", sz("40000"), kInteger, "overflow"},
        {"DWORD", reg::dwordValue(7), kLong, "7"},
        {"DWORD as text", reg::dwordValue(7), kText, "7"},
        {"DWORD from 2^31 up", reg::dwordValue(0x80000000u), kLong, "overflow"},
        {"empty text (one zero byte)", sz(""), kText, ""},
        {"text of no bytes", raw(reg::Type::Sz, ""), kText, ""},
        {"text without its zero", raw(reg::Type::Sz, "abc"), kText, "abc"},
        {"2,048 bytes", sz(longest), kText, longest},
        {"2,049 bytes read as missing", sz(longest + "y"), kText, "dflt"},
        {"expandable text", reg::textValue("%KEZ_TEST_FOLDER%\\bin", reg::Type::ExpandSz), kText, "/opt/kez\\bin"},
        {"expandable text with a quote", reg::textValue("\"a b\"", reg::Type::ExpandSz), kText, "\"a b\""},
        {"expandable text without its zero", raw(reg::Type::ExpandSz, "\"a b\""), kText, "a b\""},
        {"other types read as missing", raw(reg::Type::Binary, "\x01\x02"), kText, "dflt"},
    };
    reg::Key key;
    ASSERT_EQ(reg::Key::create(Hive::LocalMachine, kKey, reg::Access::ReadWrite, key), reg::Status::Ok);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        key.deleteValue("V");
        if (c.stored) {
            ASSERT_EQ(key.setValue("V", *c.stored), reg::Status::Ok);
        }
        std::string got;
        try {
            got = c.read("V");
        } catch (const vb::RuntimeError& error) {
            got = error.number() == vb::error::kOverflow ? "overflow" : "error " + std::to_string(error.number());
        }
        EXPECT_EQ(got, c.expected);
    }
    EXPECT_EQ(gGetRegParamLong(Hive::CurrentUser, "SOFTWARE\\Missing", "V", 3), 3);
}

// The hive file's identity: every save writes a new file and renames it over the old one.
ino_t savedFile(const std::filesystem::path& file) {
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(Registry, WritesThatChangeNothingAreNotSaved) {
    const test::OmbrelWorld world;
    const struct {
        const char* what;
        std::optional<reg::Value> stored;
        std::string written;
        bool saved;
    } cases[] = {
        {"same text", sz("On"), "On", false},
        {"longer text", sz("On"), "On ", true},
        {"missing value", std::nullopt, "On", true},
        {"same text without its zero", raw(reg::Type::Sz, "On"), "On", true},
        {"same text, expandable", reg::textValue("On", reg::Type::ExpandSz), "On", true},
    };
    reg::Key key;
    ASSERT_EQ(reg::Key::create(Hive::LocalMachine, kKey, reg::Access::ReadWrite, key), reg::Status::Ok);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        key.deleteValue("V");
        if (c.stored) {
            ASSERT_EQ(key.setValue("V", *c.stored), reg::Status::Ok);
        }
        const ino_t before = savedFile(world.machineFile());
        gSetRegParam(Hive::LocalMachine, kKey, "V", c.written);
        EXPECT_EQ(savedFile(world.machineFile()) != before, c.saved);
        EXPECT_EQ(gGetRegParamString(Hive::LocalMachine, kKey, "V", "dflt"), c.written);
    }
    // A write is still the test of the right to write: unchanged, it is refused on a read-only hive.
    reg::setReadOnly(Hive::LocalMachine, true);
    EXPECT_THROW(gSetRegParam(Hive::LocalMachine, kKey, "V", "7"), vb::RuntimeError);
    reg::setReadOnly(Hive::LocalMachine, false);
}

TEST(Registry, RefusedWritesRaiseTheirErrors) {
    const test::OmbrelWorld world;
    struct {
        const char* what;
        std::string key;
        std::string name;
        bool machineReadOnly;
        int number;
        const char* source;
    } const cases[] = {
        {"read-only machine hive", kKey, "V", true, vb::error::kAccessDenied, "Failed to save value to the registry"},
        {"bad value name", kKey, std::string("V\0W", 3), false, vb::error::kRegistryValueNotSet, "gSetRegParamString"},
        {"bad key path", kKey + "\\\\Inner", "V", false, vb::error::kRegistryValueNotSet, "gSetRegParamString"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reg::setReadOnly(Hive::LocalMachine, c.machineReadOnly);
        try {
            gSetRegParam(Hive::LocalMachine, c.key, c.name, "x");
            ADD_FAILURE() << "no error";
        } catch (const vb::RuntimeError& error) {
            EXPECT_EQ(error.number(), c.number);
            EXPECT_EQ(error.description(), "RegCreateKeyEx Failure");
            EXPECT_EQ(error.source(), c.source);
        }
    }
    reg::setReadOnly(Hive::LocalMachine, false);
}

} // namespace
} // namespace kez::ombrel
