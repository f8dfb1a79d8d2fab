// The root-only store: which keys live there, how it is made, and that a store someone else could have written
// is not believed. (Stores of other users: hostile_user_test.)
#include "kez/reg/registry.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>

namespace kez::reg {
namespace {
namespace fs = std::filesystem;

constexpr const char* kServer = "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}\\InprocServer32";

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

class RootOnlyStoreTest : public ::testing::Test {
protected:
    void registerServer(const std::string& module = "/usr/lib/server.so") {
        Key key;
        ASSERT_EQ(Key::create(Hive::ClassesRoot, kServer, Access::ReadWrite, key), Status::Ok);
        ASSERT_EQ(key.setString("", module), Status::Ok);
    }

    test::ScopedRegistry registry_;
};

TEST_F(RootOnlyStoreTest, ClassesAndProgramPathsLiveThereWhicheverWayTheyAreOpened) {
    struct {
        Hive hive;
        const char* path;
        bool rootOnly; // false: the hive's own file
    } const cases[] = {
        {Hive::ClassesRoot, kServer, true},
        {Hive::LocalMachine, "SOFTWARE\\Classes\\KezTest.Thing", true},
        {Hive::LocalMachine, "software\\CLASSES", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", true},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Toolsets", false},
        {Hive::LocalMachine, "SOFTWARE\\Microsoft", false},
        {Hive::LocalMachine, "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\UI", false},
        {Hive::LocalMachine, "Classes", false},
        {Hive::CurrentUser, "SOFTWARE\\Classes\\KezTest.Thing", false},
    };
    int marker = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto name = "marker" + std::to_string(++marker) + "x";
        Key key;
        ASSERT_EQ(Key::create(c.hive, c.path, Access::ReadWrite, key), Status::Ok);
        ASSERT_EQ(key.setDword(name, 1), Status::Ok);
        const auto own = c.hive == Hive::CurrentUser ? registry_.userFile() : registry_.machineFile();
        EXPECT_EQ(test::readFile(registry_.systemFile()).find(name) != std::string::npos, c.rootOnly);
        EXPECT_EQ(test::readFile(own).find(name) != std::string::npos, !c.rootOnly);
    }
    // Keys above them list the subkeys of both files, once each.
    const auto subkeys = [](std::string_view path) {
        Key key;
        std::vector<std::string> names;
        std::string name;
        if (Key::open(Hive::LocalMachine, path, Access::Read, key) != Status::Ok) return names;
        while (key.enumKey(static_cast<std::uint32_t>(names.size()), name) == Status::Ok)
            names.push_back(name);
        return names;
    };
    EXPECT_EQ(subkeys(""), (std::vector<std::string>{"Classes", "SOFTWARE"}));
    EXPECT_EQ(subkeys("SOFTWARE"), (std::vector<std::string>{"Brenic", "Classes", "Microsoft"}));
    EXPECT_EQ(subkeys("SOFTWARE\\Microsoft"),
              (std::vector<std::string>{"Shared Tools", "Shared Tools Location", "Shared Toolsets"}));

    // A key opened above them reaches them, and removes them, in the root-only store.
    Key software;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Software", Access::ReadWrite, software), Status::Ok);
    Key server;
    ASSERT_EQ(software.open(std::string("Classes\\") + kServer, Access::Read, server), Status::Ok);
    std::uint32_t number = 0;
    EXPECT_EQ(server.getDword("marker1x", number), Status::Ok);
    ASSERT_EQ(software.deleteSubTree("Classes"), Status::Ok);
    EXPECT_EQ(Key::open(Hive::ClassesRoot, "CLSID", Access::Read, server), Status::FileNotFound);
    EXPECT_EQ(Key::open(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", Access::Read, server),
              Status::Ok);
}

TEST_F(RootOnlyStoreTest, IsMadeReadableByAllAndWritableByItsOwnerAloneWhateverTheUmask) {
    const mode_t umask = ::umask(0);
    registerServer();
    ::umask(umask);
    EXPECT_EQ(modeOf(registry_.systemFile()), 0644u);
    EXPECT_EQ(modeOf(registry_.systemFile().parent_path()), 0755u);
}

TEST_F(RootOnlyStoreTest, WhatTheMachineHiveSaysAboutClassesAndProgramsIsNotBelieved) {
    test::writeFile(registry_.machineFile(), std::string("KEZ-REGISTRY-HIVE 1\n\n[SOFTWARE\\Classes\\") + kServer +
                                                 "]\n@=sz:\"/tmp/mine.so\"\n\n"
                                                 "[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                                                 "\"PATH\"=sz:\"/tmp/mine\"\n");
    registry_.reopen();
    Key key;
    EXPECT_EQ(Key::open(Hive::ClassesRoot, kServer, Access::Read, key), Status::FileNotFound);
    EXPECT_EQ(Key::open(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", Access::Read, key),
              Status::FileNotFound);
}

TEST_F(RootOnlyStoreTest, AStoreOthersCouldHaveWrittenReadsAsEmptyIsNeverWrittenAndIsReportedOnce) {
    const auto file = registry_.systemFile();
    const auto folder = file.parent_path();
    struct {
        const char* name;
        std::function<void()> arrange;
        std::function<void()> mend;
        const char* reason;
    } const cases[] = {
        {"group-writable file", [&] { ::chmod(file.c_str(), 0664); }, [&] { ::chmod(file.c_str(), 0644); },
         "system.reg: writable by others"},
        {"world-writable file", [&] { ::chmod(file.c_str(), 0646); }, [&] { ::chmod(file.c_str(), 0644); },
         "system.reg: writable by others"},
        {"group-writable folder", [&] { ::chmod(folder.c_str(), 02775); }, [&] { ::chmod(folder.c_str(), 0755); },
         "system: writable by others"},
        {"a link in the file's place",
         [&] {
             fs::rename(file, registry_.folder() / "elsewhere.reg");
             fs::create_symlink(registry_.folder() / "elsewhere.reg", file);
         },
         [&] { fs::rename(registry_.folder() / "elsewhere.reg", file); }, "system.reg: a symbolic link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registerServer();
        c.arrange();
        registry_.reopen();
        const auto before = test::readFile(file);
        testing::internal::CaptureStderr();
        Key key;
        EXPECT_EQ(Key::open(Hive::ClassesRoot, kServer, Access::Read, key), Status::FileNotFound);
        EXPECT_EQ(Key::open(Hive::ClassesRoot, "", Access::Read, key), Status::Ok);
        std::string name;
        EXPECT_EQ(key.enumKey(0, name), Status::NoMoreItems);
        EXPECT_TRUE(isReadOnly(Hive::ClassesRoot));
        EXPECT_EQ(Key::create(Hive::ClassesRoot, "CLSID\\Mine", Access::ReadWrite, key), Status::AccessDenied);
        EXPECT_EQ(Key::create(Hive::LocalMachine, "SOFTWARE\\Classes\\Mine", Access::Read, key), Status::AccessDenied);
        const auto messages = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        EXPECT_NE(messages.find(c.reason), std::string::npos) << messages;
        const auto report = damageReport(Hive::ClassesRoot);
        ASSERT_TRUE(report);
        EXPECT_TRUE(report->reason.ends_with(c.reason)) << report->reason;
        EXPECT_TRUE(report->movedTo.empty());
        EXPECT_EQ(test::readFile(file), before);
        EXPECT_TRUE(test::filesStartingWith(folder, "system.reg.damaged").empty());

        c.mend();
        EXPECT_FALSE(isReadOnly(Hive::ClassesRoot));
        EXPECT_EQ(Key::open(Hive::ClassesRoot, kServer, Access::Read, key), Status::Ok);
    }
}

} // namespace
} // namespace kez::reg
