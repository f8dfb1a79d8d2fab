// The root-only store: which keys live there, how it is made, and that a store someone else could have written
// is not believed. (Stores of other users: hostile_user_test.)
#include "kez/reg/registry.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace kez::reg {
namespace {
namespace fs = std::filesystem;

constexpr const char* kServer = "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}\\InprocServer32";

fs::perms modeOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; }

TEST(RootOnlyStore, HoldsClassesAndProgramPathsWhicheverWayTheyAreOpened) {
    const test::ScopedRegistry registry;
    struct {
        Hive hive;
        const char* path;
        bool rootOnly; // false: the hive's own file
    } const cases[] = {
        {Hive::ClassesRoot, kServer, true},
        {Hive::LocalMachine, "software\\CLASSES\\KezTest.Thing", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Toolsets", false},
        {Hive::LocalMachine, "Classes", false},
        {Hive::CurrentUser, "SOFTWARE\\Classes\\KezTest.Thing", false},
    };
    const mode_t umask = ::umask(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Key key;
        ASSERT_EQ(Key::create(c.hive, c.path, Access::ReadWrite, key), Status::Ok);
        ASSERT_EQ(key.setDword("marker", 1), Status::Ok);
        const auto own = c.hive == Hive::CurrentUser ? registry.userFile() : registry.machineFile();
        EXPECT_EQ(test::readFile(registry.systemFile()).find("marker") != std::string::npos, c.rootOnly);
        EXPECT_EQ(test::readFile(own).find("marker") != std::string::npos, !c.rootOnly);
        if (c.rootOnly) {
            ASSERT_EQ(key.deleteValue("marker"), Status::Ok);
        }
    }
    ::umask(umask);
    EXPECT_EQ(modeOf(registry.systemFile()), fs::perms(0644));
    EXPECT_EQ(modeOf(registry.systemFile().parent_path()), fs::perms(0755));
}

TEST(RootOnlyStore, OneOthersCouldHaveWrittenReadsAsEmptyIsNeverWrittenAndIsReportedOnce) {
    const test::ScopedRegistry registry;
    Key key;
    ASSERT_EQ(Key::create(Hive::ClassesRoot, kServer, Access::ReadWrite, key), Status::Ok);
    for (const auto& opened : {registry.systemFile(), registry.systemFile().parent_path()}) {
        SCOPED_TRACE(opened);
        const auto mode = modeOf(opened);
        fs::permissions(opened, fs::perms::group_write, fs::perm_options::add);
        registry.reopen();
        const auto before = test::readFile(registry.systemFile());
        testing::internal::CaptureStderr();
        EXPECT_EQ(Key::open(Hive::ClassesRoot, kServer, Access::Read, key), Status::FileNotFound);
        EXPECT_TRUE(isReadOnly(Hive::ClassesRoot));
        EXPECT_EQ(Key::create(Hive::LocalMachine, "SOFTWARE\\Classes\\Mine", Access::Read, key), Status::AccessDenied);
        const auto messages = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        EXPECT_NE(messages.find(opened.string() + ": writable by others"), std::string::npos) << messages;
        EXPECT_EQ(damageReport(Hive::ClassesRoot)->reason, opened.string() + ": writable by others");
        EXPECT_EQ(test::readFile(registry.systemFile()), before);

        fs::permissions(opened, mode); // its owner mends it
        EXPECT_EQ(Key::open(Hive::ClassesRoot, kServer, Access::ReadWrite, key), Status::Ok);
    }
}

} // namespace
} // namespace kez::reg
