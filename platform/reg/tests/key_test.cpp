// The registry rules the programs rely on, through the public API against real hive files.
#include "kez/reg/registry.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kez::reg {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

class KeyTest : public ::testing::Test {
protected:
    Key createKey(std::string_view path, Hive hive = Hive::LocalMachine) {
        Key key;
        EXPECT_EQ(Key::create(hive, path, Access::ReadWrite, key), Status::Ok) << path;
        return key;
    }

    test::ScopedRegistry registry_;
};

TEST_F(KeyTest, TextValuesCountTheirTerminatingZero) {
    auto key = createKey("SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\UI");
    ASSERT_EQ(key.setString("Type", "2"), Status::Ok);
    ASSERT_EQ(key.setString("Empty", ""), Status::Ok);
    Value value;
    ASSERT_EQ(key.queryValue("Type", value), Status::Ok);
    EXPECT_EQ(value, (Value{Type::Sz, Bytes{'2', 0}}));
    ASSERT_EQ(key.queryValue("Empty", value), Status::Ok);
    EXPECT_EQ(value, (Value{Type::Sz, Bytes{0}}));
    std::string text = "x";
    ASSERT_EQ(key.getString("Empty", text), Status::Ok);
    EXPECT_EQ(text, "");
}

TEST_F(KeyTest, EveryTypeKeepsItsExactBytesAcrossAReload) {
    const std::vector<std::pair<std::string, Value>> values{
        {"dword", Value{Type::Dword, {0x78, 0x56, 0x34, 0x12}}},
        {"binary", Value{Type::Binary, {0, 0xFF, 0x0A, 0x0D, 0x22, 0x5C}}},
        {"empty binary", Value{Type::Binary, {}}},
        {"multi", Value{Type::MultiSz, bytesOf(std::string("+NDIS\0second\0\0", 14))}},
        {"multi one zero", Value{Type::MultiSz, {0}}},
        {"multi two zeros", Value{Type::MultiSz, {0, 0}}},
        {"text without zero", Value{Type::Sz, bytesOf("abc")}},
        {"text with inner zero", Value{Type::Sz, bytesOf(std::string("a\0b\0", 4))}},
        {"empty text bytes", Value{Type::Sz, {}}},
        {"expand", Value{Type::ExpandSz, bytesOf(std::string("%SystemRoot%\\x\0", 15))}},
        {"odd dword", Value{Type::Dword, {1, 2}}},
        {"qword", Value{static_cast<Type>(11), {1, 2, 3, 4, 5, 6, 7, 8}}},
        {"utf-8 \xC3\xA9 \"quoted\" \\ \n", Value{Type::Sz, bytesOf(std::string("\xC3\xA9\x01\x7F\"\\\n\0", 8))}},
    };
    {
        auto key = createKey("Types");
        for (const auto& [name, value] : values)
            ASSERT_EQ(key.setValue(name, value), Status::Ok) << name;
    }
    registry_.reopen();
    Key key;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Types", Access::Read, key), Status::Ok);
    for (const auto& [name, expected] : values) {
        Value value;
        ASSERT_EQ(key.queryValue(name, value), Status::Ok) << name;
        EXPECT_EQ(value, expected) << name;
    }
}

TEST_F(KeyTest, HelpersBuildAndReadTheStandardLayouts) {
    EXPECT_EQ(dwordValue(7).bytes, (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(multiTextValue({"a", "bc"}).bytes, (Bytes{'a', 0, 'b', 'c', 0, 0}));
    EXPECT_EQ(multiTextValue({}).bytes, (Bytes{0}));
    EXPECT_EQ(readMultiText(Value{Type::MultiSz, Bytes{'a', 0, 0, 'b', 0}}), (std::vector<std::string>{"a"}));
    EXPECT_EQ(readText(Value{Type::Sz, Bytes{'a', 'b'}}), "ab");
    EXPECT_EQ(readText(Value{Type::Sz, Bytes{'a', 0, 'b'}}), "a");

    auto key = createKey("Helpers");
    ASSERT_EQ(key.setDword("Seven", 7), Status::Ok);
    std::uint32_t number = 0;
    ASSERT_EQ(key.getDword("Seven", number), Status::Ok);
    EXPECT_EQ(number, 7u);
    std::string text;
    EXPECT_EQ(key.getString("Seven", text), Status::UnsupportedType);
    ASSERT_EQ(key.setString("Text", "12"), Status::Ok);
    EXPECT_EQ(key.getDword("Text", number), Status::UnsupportedType);
    EXPECT_EQ(key.setString("Bad", "x", Type::Binary), Status::InvalidParameter);
}

TEST_F(KeyTest, ExpandableTextIsExpandedOnReadOnly) {
    const test::ScopedEnv root("KEZ_REG_TEST_ROOT", "/opt/kez");
    const test::ScopedEnv unset("KEZ_REG_TEST_UNSET", std::nullopt);
    auto key = createKey("Expand");
    const std::string stored = "%KEZ_REG_TEST_ROOT%\\bin;%KEZ_REG_TEST_UNSET%;100%";
    ASSERT_EQ(key.setString("Path", stored, Type::ExpandSz), Status::Ok);
    std::string text;
    ASSERT_EQ(key.getString("Path", text), Status::Ok);
    EXPECT_EQ(text, "/opt/kez\\bin;%KEZ_REG_TEST_UNSET%;100%");
    Value raw;
    ASSERT_EQ(key.queryValue("Path", raw), Status::Ok);
    EXPECT_EQ(raw, textValue(stored, Type::ExpandSz));
    EXPECT_EQ(expandEnvironment("%%KEZ_REG_TEST_ROOT%%"), "%/opt/kez%");
}

TEST_F(KeyTest, ReadsIntoASmallLimitReportMoreDataAndTheSizeNeeded) {
    auto key = createKey("Limits");
    ASSERT_EQ(key.setString("Four", "abc"), Status::Ok);
    Value value;
    std::size_t needed = 0;
    EXPECT_EQ(key.queryValue("Four", value, 3, &needed), Status::MoreData);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(value.type, Type::Sz);
    EXPECT_TRUE(value.bytes.empty());
    EXPECT_EQ(key.queryValue("Four", value, 4, &needed), Status::Ok);
    EXPECT_EQ(value.bytes.size(), 4u);
    EXPECT_EQ(key.queryValue("Missing", value, 4, &needed), Status::FileNotFound);
}

TEST_F(KeyTest, MissingKeysAndValuesAreNotFound) {
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, "SOFTWARE\\Nothing", Access::Read, key), Status::FileNotFound);
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(Key::open(Hive::CurrentUser, "SOFTWARE\\Nothing", Access::Write, key), Status::FileNotFound);
    key = createKey("Present");
    Value value;
    EXPECT_EQ(key.queryValue("Absent", value), Status::FileNotFound);
    EXPECT_EQ(key.deleteValue("Absent"), Status::FileNotFound);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "Present\\Absent"), Status::FileNotFound);
}

TEST_F(KeyTest, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
    auto packet = createKey("SYSTEM\\CurrentControlSet\\Services\\KEZPacket");
    ASSERT_EQ(packet.setString("ImagePath", "first"), Status::Ok);
    Key same;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "system\\currentcontrolset\\services\\KezPacket", Access::ReadWrite, same),
              Status::Ok);
    EXPECT_EQ(same.path(), "SYSTEM\\CurrentControlSet\\Services\\KEZPacket");
    ASSERT_EQ(same.setString("IMAGEPATH", "second"), Status::Ok);

    bool created = true;
    Key again;
    ASSERT_EQ(Key::create(Hive::LocalMachine, "SYSTEM\\CURRENTCONTROLSET", Access::Read, again, &created), Status::Ok);
    EXPECT_FALSE(created);
    std::string name;
    ASSERT_EQ(again.enumKey(0, name), Status::Ok);
    EXPECT_EQ(name, "Services");
    EXPECT_EQ(again.enumKey(1, name), Status::NoMoreItems);

    Value value;
    ASSERT_EQ(packet.enumValue(0, name, &value), Status::Ok);
    EXPECT_EQ(name, "ImagePath");
    EXPECT_EQ(readText(value), "second");
    EXPECT_EQ(packet.enumValue(1, name), Status::NoMoreItems);
}

TEST_F(KeyTest, EnumerationFollowsCaseInsensitiveOrderUntilNoMoreItems) {
    auto parent = createKey("Order");
    for (const char* name : {"b", "A", "_x", "C", "a1", "Z"}) {
        Key child;
        ASSERT_EQ(parent.create(name, Access::Read, child), Status::Ok);
        ASSERT_EQ(parent.setDword(name, 1), Status::Ok);
    }
    const std::vector<std::string> expected{"A", "a1", "b", "C", "Z", "_x"}; // '_' sorts after the upper-case letters
    std::vector<std::string> keys;
    std::vector<std::string> values;
    std::string name;
    std::uint32_t index = 0;
    for (; index < 100 && parent.enumKey(index, name) == Status::Ok; ++index)
        keys.push_back(name);
    EXPECT_EQ(parent.enumKey(index, name), Status::NoMoreItems);
    for (index = 0; index < 100 && parent.enumValue(index, name) == Status::Ok; ++index)
        values.push_back(name);
    EXPECT_EQ(parent.enumValue(index, name), Status::NoMoreItems);
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(values, expected);

    // A change after a listing shifts the later entries.
    ASSERT_EQ(parent.deleteSubKey("a1"), Status::Ok);
    ASSERT_EQ(parent.enumKey(1, name), Status::Ok);
    EXPECT_EQ(name, "b");
}

TEST_F(KeyTest, DeletingAKeyWithSubkeysIsRefused) {
    auto parent = createKey("Parent\\Child\\Grandchild");
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "Parent"), Status::AccessDenied);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "Parent\\Child"), Status::AccessDenied);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "parent\\child\\grandchild"), Status::Ok);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "Parent\\Child"), Status::Ok);
    Key root;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "", Access::Read, root), Status::Ok);
    EXPECT_EQ(root.deleteSubKey(""), Status::AccessDenied);
    Value value;
    EXPECT_EQ(parent.queryValue("x", value), Status::KeyDeleted);
    EXPECT_EQ(parent.setDword("x", 1), Status::KeyDeleted);
}

TEST_F(KeyTest, DeletingByIndexZeroEmptiesATree) {
    createKey("Tree\\a\\1");
    createKey("Tree\\a\\2");
    createKey("Tree\\b");
    std::function<Status(const Key&)> removeBelow = [&](const Key& key) {
        std::string name;
        for (int guard = 0; guard < 100; ++guard) {
            const auto status = key.enumKey(0, name);
            if (status == Status::NoMoreItems) return Status::Ok;
            Key child;
            if (key.open(name, Access::ReadWrite, child) != Status::Ok) return Status::IoFailed;
            if (removeBelow(child) != Status::Ok || key.deleteSubKey(name) != Status::Ok) return Status::IoFailed;
        }
        return Status::IoFailed;
    };
    Key tree;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Tree", Access::ReadWrite, tree), Status::Ok);
    ASSERT_EQ(removeBelow(tree), Status::Ok);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, "Tree"), Status::Ok);
}

TEST_F(KeyTest, DeletingATreeTakesEverythingBelowButNeverAHiveRoot) {
    createKey("Tree\\a\\1");
    createKey("CLSID", Hive::ClassesRoot);
    const auto machine = test::readFile(registry_.machineFile());
    for (const auto hive : {Hive::LocalMachine, Hive::CurrentUser, Hive::ClassesRoot})
        EXPECT_EQ(Key::deleteTree(hive, "\\"), Status::AccessDenied);
    EXPECT_EQ(test::readFile(registry_.machineFile()), machine);
    EXPECT_EQ(Key::deleteTree(Hive::LocalMachine, "tree"), Status::Ok);
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, "Tree", Access::Read, key), Status::FileNotFound);
    EXPECT_EQ(Key::open(Hive::ClassesRoot, "CLSID", Access::Read, key), Status::Ok);
}

TEST_F(KeyTest, AMultiStringThatHidesEntriesBehindAnEmptyOneIsRefused) {
    auto key = createKey("Multi");
    EXPECT_EQ(key.setValue("hiding", multiTextValue({"a", "", "b"})), Status::InvalidParameter);
    EXPECT_EQ(key.setValue("hiding", Value{Type::MultiSz, bytesOf(std::string("\0b\0\0", 4))}),
              Status::InvalidParameter);
    EXPECT_EQ(key.setValue("kept", Value{Type::MultiSz, bytesOf(std::string("a\0\0\0", 4))}), Status::Ok);
    Value value;
    EXPECT_EQ(key.queryValue("hiding", value), Status::FileNotFound);
}

TEST_F(KeyTest, HandlesHonourTheirAccess) {
    createKey("Rights");
    Key reader;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Rights", accessFromMask(0x20019), reader), Status::Ok);
    EXPECT_EQ(reader.setDword("x", 1), Status::AccessDenied);
    Key writer;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Rights", accessFromMask(0x20006), writer), Status::Ok);
    ASSERT_EQ(writer.setDword("x", 1), Status::Ok);
    Value value;
    EXPECT_EQ(writer.queryValue("x", value), Status::AccessDenied);
    EXPECT_EQ(accessFromMask(0x2003F), Access::ReadWrite);
    EXPECT_EQ(accessFromMask(0xF003F), Access::ReadWrite);
    EXPECT_EQ(accessFromMask(0x1), Access::Read);
}

TEST_F(KeyTest, MalformedPathsAndNamesAreInvalidParameters) {
    Key key;
    EXPECT_EQ(Key::create(Hive::LocalMachine, "a\\\\b", Access::Read, key), Status::InvalidParameter);
    EXPECT_EQ(Key::create(Hive::LocalMachine, "\\a", Access::Read, key), Status::InvalidParameter);
    EXPECT_EQ(Key::create(Hive::LocalMachine, std::string(256, 'k'), Access::Read, key), Status::InvalidParameter);
    EXPECT_EQ(Key::create(Hive::LocalMachine, std::string("a\0b", 3), Access::Read, key), Status::InvalidParameter);
    EXPECT_EQ(Key::create(Hive::LocalMachine, std::string(255, 'k') + "\\", Access::ReadWrite, key), Status::Ok);
    EXPECT_EQ(key.setDword(std::string("a\0b", 3), 1), Status::InvalidParameter);
    Key closed;
    EXPECT_EQ(closed.setDword("x", 1), Status::InvalidParameter);
}

TEST_F(KeyTest, ClassesRootIsTheMachineClassesKey) {
    Key classes;
    ASSERT_EQ(Key::open(Hive::ClassesRoot, "", Access::Read, classes), Status::Ok);
    std::string name;
    EXPECT_EQ(classes.enumKey(0, name), Status::NoMoreItems);

    Key server;
    ASSERT_EQ(Key::create(Hive::ClassesRoot, "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}\\InprocServer32",
                          Access::ReadWrite, server),
              Status::Ok);
    ASSERT_EQ(server.setString("ThreadingModel", "Apartment"), Status::Ok);
    EXPECT_EQ(server.path(), "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}\\InprocServer32");
    Key machine;
    ASSERT_EQ(Key::open(Hive::LocalMachine,
                        "software\\classes\\clsid\\{ce14818e-c102-11d2-ba6f-0000216c6cb1}\\InprocServer32",
                        Access::Read, machine),
              Status::Ok);
    std::string model;
    ASSERT_EQ(machine.getString("ThreadingModel", model), Status::Ok);
    EXPECT_EQ(model, "Apartment");
    Key user;
    EXPECT_EQ(Key::open(Hive::CurrentUser, "SOFTWARE\\Classes\\CLSID", Access::Read, user), Status::FileNotFound);
}

TEST_F(KeyTest, ForcedReadOnlyMachineHiveRefusesWritesAndStillReads) {
    auto settings = createKey("SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Safety");
    ASSERT_EQ(settings.setString("InitializedProperly", "True"), Status::Ok);
    setReadOnly(Hive::LocalMachine, true);
    EXPECT_TRUE(isReadOnly(Hive::LocalMachine));
    EXPECT_TRUE(isReadOnly(Hive::ClassesRoot));
    EXPECT_FALSE(isReadOnly(Hive::CurrentUser));
    const auto before = test::readFile(registry_.machineFile());

    const auto path = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Safety";
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, path, Access::Write, key), Status::AccessDenied);
    EXPECT_EQ(Key::open(Hive::LocalMachine, path, accessFromMask(0x2003F), key), Status::AccessDenied);
    EXPECT_EQ(Key::create(Hive::LocalMachine, path, Access::Write, key), Status::AccessDenied);
    EXPECT_EQ(Key::create(Hive::LocalMachine, "SOFTWARE\\New", Access::Read, key), Status::AccessDenied);
    EXPECT_EQ(Key::create(Hive::ClassesRoot, "CLSID", Access::Read, key), Status::AccessDenied);
    EXPECT_EQ(settings.setString("InitializedProperly", "False"), Status::AccessDenied);
    EXPECT_EQ(settings.deleteValue("InitializedProperly"), Status::AccessDenied);
    EXPECT_EQ(Key::deleteKey(Hive::LocalMachine, path), Status::AccessDenied);

    ASSERT_EQ(Key::open(Hive::LocalMachine, path, Access::Read, key), Status::Ok);
    std::string text;
    ASSERT_EQ(key.getString("InitializedProperly", text), Status::Ok);
    EXPECT_EQ(text, "True");
    EXPECT_EQ(test::readFile(registry_.machineFile()), before);

    auto user = createKey(path, Hive::CurrentUser);
    EXPECT_EQ(user.setString("InitializedProperly", "False"), Status::Ok);
    setReadOnly(Hive::LocalMachine, false);
    EXPECT_EQ(settings.setString("InitializedProperly", "False"), Status::Ok);
}

TEST_F(KeyTest, ReadOnlySwitchComesFromTheEnvironment) {
    {
        const test::ScopedEnv both("KEZ_REGISTRY_READONLY", "user,machine");
        const auto settings = defaultSettings();
        EXPECT_TRUE(settings.machineReadOnly);
        EXPECT_TRUE(settings.userReadOnly);
    }
    {
        const test::ScopedEnv machine("KEZ_REGISTRY_READONLY", "machine");
        const auto settings = defaultSettings();
        EXPECT_TRUE(settings.machineReadOnly);
        EXPECT_FALSE(settings.userReadOnly);
    }
    EXPECT_FALSE(defaultSettings().machineReadOnly);
}

TEST_F(KeyTest, PerUserValueOverridesTheMachineValue) {
    const auto audio = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Audio";
    ASSERT_EQ(createKey(audio).setString("ToneVolume", "80"), Status::Ok);
    auto readVolume = [&](Hive hive, std::string fallback) {
        Key key;
        std::string text;
        if (Key::open(hive, audio, Access::Read, key) == Status::Ok &&
            key.getString("ToneVolume", text) == Status::Ok) {
            return text;
        }
        return fallback;
    };
    EXPECT_EQ(readVolume(Hive::CurrentUser, readVolume(Hive::LocalMachine, "100")), "80");
    ASSERT_EQ(createKey(audio, Hive::CurrentUser).setString("ToneVolume", "50"), Status::Ok);
    EXPECT_EQ(readVolume(Hive::CurrentUser, readVolume(Hive::LocalMachine, "100")), "50");
    EXPECT_TRUE(std::filesystem::exists(registry_.userFile()));
}

} // namespace
} // namespace kez::reg
