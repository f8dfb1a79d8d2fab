#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "file_replacements.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "process.h"
#include "scoped_registry.h"
#include "temp_dir.h"
#include "test_server/test_server.h"

namespace kez::com {
namespace {

namespace fs = std::filesystem;
using test::ICounter;
using test::IGreeter;

// Every key under HKEY_CLASSES_ROOT with its text values (the key itself maps "" to "<key>").
using Dump = std::map<std::string, std::map<std::string, std::string>>;

void dumpKey(const reg::Key& key, const std::string& path, Dump& dump) {
    auto& values = dump[path];
    values["<key>"];
    std::string name;
    for (std::uint32_t i = 0; key.enumValue(i, name) == reg::Status::Ok; ++i) {
        std::string text;
        key.getString(name, text);
        values[name] = text;
    }
    for (std::uint32_t i = 0; key.enumKey(i, name) == reg::Status::Ok; ++i) {
        reg::Key child;
        ASSERT_EQ(key.open(name, reg::Access::Read, child), reg::Status::Ok);
        dumpKey(child, path.empty() ? name : path + "\\" + name, dump);
    }
}

Dump dumpClassesRoot() {
    Dump dump;
    reg::Key root;
    if (reg::Key::open(reg::Hive::ClassesRoot, "", reg::Access::Read, root) == reg::Status::Ok) {
        dumpKey(root, "", dump);
    }
    return dump;
}

// What registering the test server must add, written out by hand.
Dump expectedRegistration(const std::string& module) {
    const std::string greeter = "CLSID\\{7A3C51E1-2B9D-4C8E-8F10-5D6E7F809A01}";
    const std::string counter = "CLSID\\{7A3C51E2-2B9D-4C8E-8F10-5D6E7F809A01}";
    const std::string lib = "{7A3C51E0-2B9D-4C8E-8F10-5D6E7F809A01}";
    const std::string version = "TypeLib\\" + lib + "\\1.0";
    Dump dump;
    for (const auto& [key, name] :
         {std::pair{greeter, std::string("Greeter")}, std::pair{counter, std::string("Counter")}}) {
        const std::string clsid = key.substr(6);
        const std::string progId = "KezTest." + name + ".1";
        const std::string independent = "KezTest." + name;
        dump[key] = {{"<key>", ""}, {"", name + " Class"}};
        dump[key + "\\ProgID"] = {{"<key>", ""}, {"", progId}};
        dump[key + "\\VersionIndependentProgID"] = {{"<key>", ""}, {"", independent}};
        dump[key + "\\InprocServer32"] = {{"<key>", ""}, {"", module}, {"ThreadingModel", "Apartment"}};
        dump[key + "\\Programmable"] = {{"<key>", ""}};
        dump[key + "\\TypeLib"] = {{"<key>", ""}, {"", lib}};
        dump[progId] = {{"<key>", ""}, {"", name + " Class"}};
        dump[progId + "\\CLSID"] = {{"<key>", ""}, {"", clsid}};
        dump[independent] = {{"<key>", ""}, {"", name + " Class"}};
        dump[independent + "\\CLSID"] = {{"<key>", ""}, {"", clsid}};
        dump[independent + "\\CurVer"] = {{"<key>", ""}, {"", progId}};
    }
    dump["TypeLib\\" + lib] = {{"<key>", ""}};
    dump[version] = {{"<key>", ""}, {"", "KezTest 1.0 Type Library"}};
    dump[version + "\\0"] = {{"<key>", ""}};
    dump[version + "\\0\\linux"] = {{"<key>", ""}, {"", module}};
    dump[version + "\\FLAGS"] = {{"<key>", ""}, {"", "0"}};
    dump[version + "\\HELPDIR"] = {{"<key>", ""}, {"", fs::path(module).parent_path().string()}};
    return dump;
}

// Entries of `after` that are new or changed against `before`.
Dump added(const Dump& before, const Dump& after) {
    Dump result;
    for (const auto& [key, values] : after) {
        const auto old = before.find(key);
        if (old == before.end() || old->second != values) {
            result[key] = values;
        }
    }
    return result;
}

int runTool(std::vector<std::string> arguments, const std::vector<std::string>& environment = {}) {
    arguments.insert(arguments.begin(), KEZREGSVR_PATH);
    return kez::test::runCommand(arguments, environment).exitCode;
}

const std::string kModule = fs::weakly_canonical(KEZ_TEST_SERVER_PATH).string();

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeForeignKeys();
        before_ = dumpClassesRoot();
    }

    // Keys of other servers that registration must leave alone.
    static void writeForeignKeys() {
        reg::Key key;
        ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}",
                                   reg::Access::ReadWrite, key),
                  reg::Status::Ok);
        ASSERT_EQ(key.setString("", "Other Class"), reg::Status::Ok);
        ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "Other.Thing\\CLSID", reg::Access::ReadWrite, key),
                  reg::Status::Ok);
        ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "TypeLib\\{11111111-2222-3333-4444-555555555556}\\1.0",
                                   reg::Access::ReadWrite, key),
                  reg::Status::Ok);
    }

    kez::test::ScopedRegistry registry_;
    Dump before_;
};

TEST_F(ClassRegistryTest, KezregsvrWritesExactlyTheRegistrationKeysInOneSave) {
    kez::test::FileReplacements saves(registry_.systemFile());
    ASSERT_EQ(runTool({kModule}), 0);
    EXPECT_EQ(added(before_, dumpClassesRoot()), expectedRegistration(kModule));
    EXPECT_EQ(saves.count(), 1);
}

TEST_F(ClassRegistryTest, CreatesByClassIdentifierAndBothProgrammaticIdentifiers) {
    ASSERT_EQ(runTool({kModule}), 0);

    Ptr<IGreeter> greeter;
    ASSERT_EQ(ClassRegistry::createAs(test::kGreeterClass, greeter), S_OK);
    std::string greeting;
    EXPECT_EQ(greeter->Greet("Vuruv", greeting), S_OK);
    EXPECT_EQ(greeting, "Hello Vuruv");

    Ptr<ICounter> first;
    Ptr<ICounter> second;
    ASSERT_EQ(ClassRegistry::createAs("KezTest.Counter.1", first), S_OK);
    ASSERT_EQ(ClassRegistry::createAs("keztest.counter", second), S_OK);
    std::int32_t value = 0;
    first->Next(value);
    first->Next(value);
    second->Next(value);
    EXPECT_EQ(value, 1) << "each creation makes a new object";

    Guid clsid;
    EXPECT_EQ(ClassRegistry::clsidFromProgId("KezTest.Greeter", clsid), S_OK);
    EXPECT_EQ(clsid, test::kGreeterClass);
    Ptr<ICounter> wrongInterface;
    EXPECT_EQ(ClassRegistry::createAs(test::kGreeterClass, wrongInterface), E_NOINTERFACE);
}

TEST_F(ClassRegistryTest, TheVersionIndependentNameFollowsCurVer) {
    ASSERT_EQ(runTool({kModule}), 0);
    reg::Key independent;
    ASSERT_EQ(reg::Key::open(reg::Hive::ClassesRoot, "KezTest.Greeter", reg::Access::ReadWrite, independent),
              reg::Status::Ok);
    ASSERT_EQ(independent.deleteSubKey("CLSID"), reg::Status::Ok);
    Guid clsid;
    EXPECT_EQ(ClassRegistry::clsidFromProgId("KezTest.Greeter", clsid), S_OK);
    EXPECT_EQ(clsid, test::kGreeterClass);

    // CurVer names the current version, whose class wins over a stale CLSID of the old name.
    reg::Key current;
    ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "KezTest.Greeter\\CLSID", reg::Access::ReadWrite, current),
              reg::Status::Ok);
    ASSERT_EQ(current.setString("", test::kCounterClass.str()), reg::Status::Ok);
    EXPECT_EQ(ClassRegistry::clsidFromProgId("KezTest.Greeter", clsid), S_OK);
    EXPECT_EQ(clsid, test::kGreeterClass);
}

TEST_F(ClassRegistryTest, UnknownClassesAndNamesAreNotRegistered) {
    ASSERT_EQ(runTool({kModule}), 0);
    Ptr<Object> object;
    EXPECT_EQ(ClassRegistry::create("{00000000-0000-0000-0000-0000000000AB}"_guid, object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ClassRegistry::create("KezTest.Nothing", object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ClassRegistry::create("", object), REGDB_E_CLASSNOTREG);
    // A name must not reach other keys of the registry.
    EXPECT_EQ(ClassRegistry::create("CLSID\\{7A3C51E1-2B9D-4C8E-8F10-5D6E7F809A01}", object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ClassRegistry::create("Other.Thing", object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ClassRegistryTest, AClassWhoseLibraryCannotServeItIsNotRegistered) {
    reg::Key server;
    ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "CLSID\\" + test::kGreeterClass.str() + "\\InprocServer32",
                               reg::Access::ReadWrite, server),
              reg::Status::Ok);
    ASSERT_EQ(server.setString("", (registry_.folder() / "missing.so").string()), reg::Status::Ok);
    Ptr<Object> object;
    EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), REGDB_E_CLASSNOTREG);
    // A library without the entry: the platform library itself.
    ASSERT_EQ(server.setString("", KEZPLAT_PATH), reg::Status::Ok);
    EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), REGDB_E_CLASSNOTREG);
    // The test library does not serve a class it does not have.
    reg::Key other;
    ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32",
                               reg::Access::ReadWrite, other),
              reg::Status::Ok);
    ASSERT_EQ(other.setString("", kModule), reg::Status::Ok);
    EXPECT_EQ(ClassRegistry::create("{11111111-2222-3333-4444-555555555555}"_guid, object), REGDB_E_CLASSNOTREG);
}

// A registration a member rewrote to name its own library: nothing is loaded, the create fails and says why.
TEST_F(ClassRegistryTest, ALibraryOthersCouldHaveWrittenIsNotLoaded) {
    const kez::test::TempDir folder("kez-module");
    const auto copy = folder / "libserver.so";
    fs::copy_file(kModule, copy);
    fs::permissions(copy, fs::perms::group_write, fs::perm_options::add);
    reg::Key server;
    ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "CLSID\\" + test::kGreeterClass.str() + "\\InprocServer32",
                               reg::Access::ReadWrite, server),
              reg::Status::Ok);
    ASSERT_EQ(server.setString("", copy.string()), reg::Status::Ok);
    Ptr<Object> object;
    EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), REGDB_E_CLASSNOTREG);
    const auto info = takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, copy.string() + ": writable by others");
    fs::permissions(copy, fs::perms::group_write, fs::perm_options::remove);
    EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), S_OK);
}

TEST_F(ClassRegistryTest, ErrorObjectsOfALoadedServerReachTheCaller) {
    ASSERT_EQ(runTool({kModule}), 0);
    Ptr<IGreeter> greeter;
    ASSERT_EQ(ClassRegistry::createAs("KezTest.Greeter.1", greeter), S_OK);
    setErrorInfo(std::nullopt);
    EXPECT_EQ(greeter->supportsErrorInfo(IGreeter::iid), S_OK);
    EXPECT_EQ(greeter->supportsErrorInfo(ICounter::iid), S_FALSE);
    EXPECT_EQ(greeter->Check(""), E_INVALIDARG);
    const auto info = takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "Name missing");
    EXPECT_EQ(info->source, "KezTest.Greeter.1");
    EXPECT_EQ(info->interfaceId, IGreeter::iid);
}

TEST_F(ClassRegistryTest, UnregisterRemovesExactlyWhatWasWritten) {
    ASSERT_EQ(runTool({kModule}), 0);
    // Someone else's key below ours stays, and so does the key holding it.
    reg::Key foreign;
    ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "KezTest.Counter\\Insertable", reg::Access::ReadWrite, foreign),
              reg::Status::Ok);
    kez::test::FileReplacements saves(registry_.systemFile());
    ASSERT_EQ(runTool({"-u", kModule}), 0);
    EXPECT_EQ(saves.count(), 1);
    Dump expected = before_;
    expected["KezTest.Counter"] = {{"<key>", ""}};
    expected["KezTest.Counter\\Insertable"] = {{"<key>", ""}};
    EXPECT_EQ(dumpClassesRoot(), expected);
    Ptr<Object> object;
    EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(runTool({"-u", kModule}), 0) << "unregistering twice is harmless";
}

TEST_F(ClassRegistryTest, KezregsvrReportsItsFailures) {
    EXPECT_EQ(runTool({}), 1);
    EXPECT_EQ(runTool({"-u"}), 1);
    EXPECT_EQ(runTool({"a.so", "b.so"}), 1);
    EXPECT_EQ(runTool({(registry_.folder() / "missing.so").string()}), 2);
    EXPECT_EQ(runTool({KEZPLAT_PATH}), 3);
    EXPECT_EQ(runTool({kModule}, {"KEZ_REGISTRY_READONLY=machine"}), 4);
    EXPECT_EQ(dumpClassesRoot(), before_);
    // The registration's one save fails at its end: its temporary file cannot be made.
    const auto inTheWay = registry_.systemFile().string() + ".tmp";
    fs::create_directories(fs::path(inTheWay) / "in-the-way");
    EXPECT_EQ(runTool({kModule}), 4);
    fs::remove_all(inTheWay);
    registry_.reopen();
    EXPECT_EQ(dumpClassesRoot(), before_);
    // What the class registry would not load, root's kezregsvr does not run either.
    const kez::test::TempDir folder("kez-module");
    fs::copy_file(kModule, folder / "libserver.so");
    fs::permissions(folder / "libserver.so", fs::perms(0775));
    const auto refused = kez::test::runCommand({KEZREGSVR_PATH, (folder / "libserver.so").string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("libserver.so: writable by others"), std::string::npos) << refused.err;
    EXPECT_EQ(dumpClassesRoot(), before_);
}

struct LocalThing final : Implements<ICounter> {
    HRESULT Next(std::int32_t& lValue) override {
        lValue = 42;
        return S_OK;
    }
};

TEST(ClassRegistryInProcess, TheInProcessTableComesFirstAndNeedsNoRegistry) {
    const Guid thing = "{7A3C51F0-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
    const Guid nothing = "{7A3C51F1-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
    const Guid thrower = "{7A3C51F2-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
    const ServerInfo local{"Local",
                           "{7A3C51FF-2B9D-4C8E-8F10-5D6E7F809A01}"_guid,
                           {{"Thing", thing, [] { return Ptr<Object>(std::make_shared<LocalThing>()); }},
                            {"Nothing", nothing, [] { return Ptr<Object>(); }},
                            {"Thrower", thrower, []() -> Ptr<Object> { throw std::runtime_error("no"); }}}};
    ClassRegistry::registerInProcess(local);
    Ptr<ICounter> counter;
    ASSERT_EQ(ClassRegistry::createAs("Local.Thing", counter), S_OK);
    ASSERT_EQ(ClassRegistry::createAs("Local.Thing.1", counter), S_OK);
    ASSERT_EQ(ClassRegistry::createAs(thing, counter), S_OK);
    std::int32_t value = 0;
    counter->Next(value);
    EXPECT_EQ(value, 42);
    Ptr<Object> object;
    EXPECT_EQ(ClassRegistry::create(nothing, object), E_OUTOFMEMORY);
    EXPECT_EQ(ClassRegistry::create(thrower, object), E_UNEXPECTED);
    ClassRegistry::unregisterInProcess(local);
    EXPECT_EQ(ClassRegistry::create("Local.Thing", object), REGDB_E_CLASSNOTREG);
}

} // namespace
} // namespace kez::com
