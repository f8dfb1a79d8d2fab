// The hive files shared by threads and processes: reloads, concurrent writers, writers killed mid-save,
// damaged files.
#include "kez/reg/registry.h"
#include "privileged.h"
#include "process.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <tuple>

namespace kez::reg {
namespace {

using std::chrono::milliseconds;

int writeValues(const std::string& prefix, int count) {
    Key key;
    if (Key::create(Hive::LocalMachine, "Shared", Access::ReadWrite, key) != Status::Ok) return 10;
    for (int i = 0; i < count; ++i) {
        if (key.setString(prefix + std::to_string(i), prefix) != Status::Ok) return 11;
    }
    return 0;
}

std::uint32_t valueCount(const Key& key) {
    std::string name;
    std::uint32_t index = 0;
    while (index < 100000 && key.enumValue(index, name) == Status::Ok)
        ++index;
    return index;
}

class HiveStoreTest : public ::testing::Test {
protected:
    test::ScopedRegistry registry_;
};

TEST_F(HiveStoreTest, ReadsAndWritesSeeAnotherProcesssChanges) {
    Key key;
    ASSERT_EQ(Key::create(Hive::LocalMachine, "Shared", Access::ReadWrite, key), Status::Ok);
    ASSERT_EQ(key.setString("Mine", "1"), Status::Ok);
    ASSERT_EQ(test::waitChild(test::forkChild([] { return writeValues("Theirs", 1); })), 0);
    std::string text;
    EXPECT_EQ(key.getString("Theirs0", text), Status::Ok);
    ASSERT_EQ(key.setString("MineAgain", "2"), Status::Ok);
    const auto file = test::readFile(registry_.machineFile());
    EXPECT_NE(file.find("\"Theirs0\"=sz:\"Theirs\""), std::string::npos);
    EXPECT_NE(file.find("\"Mine\"=sz:\"1\""), std::string::npos);
    EXPECT_NE(file.find("\"MineAgain\"=sz:\"2\""), std::string::npos);
}

TEST_F(HiveStoreTest, ConcurrentProcessesKeepEveryValue) {
    constexpr int kProcesses = 6;
    constexpr int kValuesEach = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(test::forkChild([p] { return writeValues("p" + std::to_string(p) + "_", kValuesEach); }));
    }
    for (const auto pid : children)
        EXPECT_EQ(test::waitChild(pid), 0);
    registry_.reopen();
    Key key;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Shared", Access::Read, key), Status::Ok);
    EXPECT_EQ(valueCount(key), static_cast<std::uint32_t>(kProcesses * kValuesEach));
    EXPECT_FALSE(damageReport(Hive::LocalMachine));
}

TEST_F(HiveStoreTest, ConcurrentThreadsKeepEveryValue) {
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 10;
    std::vector<int> results(kThreads, -1);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back(
                [t, &results] { results[t] = writeValues("t" + std::to_string(t) + "_", kValuesEach); });
        }
        threads.emplace_back([] {
            Key key;
            std::string name;
            for (int i = 0; i < 50; ++i) {
                if (Key::open(Hive::LocalMachine, "Shared", Access::Read, key) == Status::Ok) key.enumValue(0, name);
            }
        });
    }
    for (const auto result : results)
        EXPECT_EQ(result, 0);
    Key key;
    ASSERT_EQ(Key::open(Hive::LocalMachine, "Shared", Access::Read, key), Status::Ok);
    EXPECT_EQ(valueCount(key), static_cast<std::uint32_t>(kThreads * kValuesEach));
}

// A hive of a few hundred kilobytes, so that saving it takes long enough to be interrupted.
std::string ballastHive(int values) {
    std::string text = "KEZ-REGISTRY-HIVE 1\n[Ballast]\n";
    for (int i = 0; i < values; ++i) {
        text += "\"v" + std::to_string(100000 + i) + "\"=sz:\"" + std::string(100, 'x') + "\"\n";
    }
    return text;
}

TEST_F(HiveStoreTest, AWriterKilledAtAnyPointLeavesTheOldOrTheNewHive) {
    constexpr int kBallast = 500;
    std::filesystem::create_directories(registry_.folder());
    test::writeFile(registry_.machineFile(), ballastHive(kBallast));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 150);
    std::uint32_t counter = 0;
    int leftTemp = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 25 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5); ++round) {
        const pid_t child = test::forkChild([counter] {
            Key key;
            if (Key::open(Hive::LocalMachine, "Ballast", Access::ReadWrite, key) != Status::Ok) return 10;
            for (std::uint32_t n = counter + 1; n < counter + 10000; ++n) {
                if (key.setDword("Counter", n) != Status::Ok) return 11;
            }
            return 0;
        });
        std::this_thread::sleep_for(milliseconds(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (std::filesystem::exists(registry_.folder() / "machine.reg.tmp")) ++leftTemp;

        registry_.reopen();
        Key key;
        ASSERT_EQ(Key::open(Hive::LocalMachine, "Ballast", Access::Read, key), Status::Ok) << "round " << round;
        ASSERT_FALSE(damageReport(Hive::LocalMachine)) << damageReport(Hive::LocalMachine)->reason;
        std::uint32_t now = 0;
        if (key.getDword("Counter", now) == Status::Ok) {
            EXPECT_GE(now, counter);
            counter = now;
        }
        ASSERT_EQ(valueCount(key), counter == 0 ? kBallast : kBallast + 1);
    }
    EXPECT_TRUE(test::filesStartingWith(registry_.folder(), "machine.reg.damaged").empty());
    RecordProperty("rounds_killed_mid_save", leftTemp);
    RecordProperty("last_counter", static_cast<int>(counter));
}

TEST_F(HiveStoreTest, ADamagedFileIsMovedAsideReportedOnceAndTheHiveStartsEmpty) {
    std::filesystem::create_directories(registry_.folder());
    const std::string garbage = "not a hive\n\x01\x02";
    test::writeFile(registry_.machineFile(), garbage);

    testing::internal::CaptureStderr();
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, "SOFTWARE", Access::Read, key), Status::FileNotFound);
    EXPECT_EQ(Key::open(Hive::LocalMachine, "SOFTWARE", Access::Read, key), Status::FileNotFound);
    const auto messages = testing::internal::GetCapturedStderr();

    const auto aside = test::filesStartingWith(registry_.folder(), "machine.reg.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(test::readFile(aside[0]), garbage);
    EXPECT_FALSE(std::filesystem::exists(registry_.machineFile()));
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_NE(messages.find(aside[0].string()), std::string::npos) << messages;
    const auto report = damageReport(Hive::LocalMachine);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->movedTo, aside[0]);
    EXPECT_EQ(report->reason, "line 1: missing header line");

    ASSERT_EQ(Key::create(Hive::LocalMachine, "SOFTWARE", Access::ReadWrite, key), Status::Ok);
    test::writeFile(registry_.machineFile(), garbage + "again");
    registry_.reopen();
    testing::internal::CaptureStderr();
    EXPECT_EQ(key.setDword("x", 1), Status::KeyDeleted);
    testing::internal::GetCapturedStderr();
    const auto both = test::filesStartingWith(registry_.folder(), "machine.reg.damaged-");
    ASSERT_EQ(both.size(), 2u);
    EXPECT_NE(test::readFile(both[0]), test::readFile(both[1]));
    for (const auto& file : both)
        EXPECT_TRUE(test::readFile(file).starts_with(garbage)) << file;
}

TEST_F(HiveStoreTest, ADamagedFileOfAReadOnlyHiveStaysInPlace) {
    std::filesystem::create_directories(registry_.folder());
    test::writeFile(registry_.machineFile(), "KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=bogus\n");
    setReadOnly(Hive::LocalMachine, true);
    testing::internal::CaptureStderr();
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, "A", Access::Read, key), Status::FileNotFound);
    const auto messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("left in place"), std::string::npos) << messages;
    EXPECT_TRUE(test::filesStartingWith(registry_.folder(), "machine.reg.damaged").empty());
    ASSERT_TRUE(damageReport(Hive::LocalMachine));
    EXPECT_EQ(damageReport(Hive::LocalMachine)->reason, "line 3: bad value data");
    EXPECT_EQ(Key::create(Hive::LocalMachine, "A", Access::Read, key), Status::AccessDenied);
    EXPECT_EQ(test::readFile(registry_.machineFile()), "KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=bogus\n");
}

TEST_F(HiveStoreTest, ADamagedFileLeftInPlaceIsMovedAsideBeforeAnyWrite) {
    std::filesystem::create_directories(registry_.folder());
    const std::string damaged = "KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=bogus\n";
    test::writeFile(registry_.machineFile(), damaged);
    setReadOnly(Hive::LocalMachine, true);
    testing::internal::CaptureStderr();
    Key key;
    EXPECT_EQ(Key::open(Hive::LocalMachine, "A", Access::Read, key), Status::FileNotFound);
    setReadOnly(Hive::LocalMachine, false);
    EXPECT_EQ(Key::create(Hive::LocalMachine, "B", Access::ReadWrite, key), Status::Ok);
    const auto messages = testing::internal::GetCapturedStderr();

    const auto aside = test::filesStartingWith(registry_.folder(), "machine.reg.damaged-");
    ASSERT_EQ(aside.size(), 1u) << messages;
    EXPECT_EQ(test::readFile(aside[0]), damaged);
    EXPECT_NE(messages.find(aside[0].string()), std::string::npos) << messages;
    EXPECT_EQ(damageReport(Hive::LocalMachine)->movedTo, aside[0]);
    EXPECT_EQ(Key::open(Hive::LocalMachine, "A", Access::Read, key), Status::FileNotFound);
    EXPECT_EQ(Key::open(Hive::LocalMachine, "B", Access::Read, key), Status::Ok);
}

// Whatever stands in place of the hive, a reader neither blocks on it, follows it nor reads it whole: the hive
// reads as empty, the object is moved aside as it is, and the next save makes a regular file of default rights.
TEST_F(HiveStoreTest, AnythingButARegularFileOfBoundedSizeIsMovedAside) {
    namespace fs = std::filesystem;
    const auto hive = registry_.machineFile();
    const auto elsewhere = registry_.folder() / "elsewhere.reg";
    const std::string notRegular = "not a regular file";
    const std::vector<std::tuple<std::string, std::function<bool()>, std::string>> objects{
        {"fifo", [&] { return ::mkfifo(hive.c_str(), 0666) == 0; }, notRegular},
        {"symlink", [&] { return ::symlink(elsewhere.c_str(), hive.c_str()) == 0; }, notRegular},
        {"directory", [&] { return fs::create_directory(hive); }, notRegular},
        {"device", [&] { return ::mknod(hive.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0; }, notRegular},
        {"sparse file past the size limit",
         [&] {
             test::writeFile(hive, "");
             return ::truncate(hive.c_str(), (64 << 20) + 1) == 0;
         },
         "larger than 64 MiB"},
    };
    fs::create_directories(registry_.folder());
    test::writeFile(elsewhere, "KEZ-REGISTRY-HIVE 1\n[Secret]\n");
    fs::permissions(elsewhere, fs::perms(0600));
    for (const auto& [kind, make, reason] : objects) {
        registry_.reopen();
        if (!make() && ::geteuid() != 0 && !::kez::test::privilegedRequired()) continue; // devices need root
        const auto type = fs::symlink_status(hive).type();
        testing::internal::CaptureStderr();
        Key key;
        EXPECT_EQ(Key::open(Hive::LocalMachine, "Secret", Access::Read, key), Status::FileNotFound) << kind;
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(damageReport(Hive::LocalMachine)) << kind;
        EXPECT_EQ(damageReport(Hive::LocalMachine)->reason, reason) << kind;
        EXPECT_EQ(fs::symlink_status(damageReport(Hive::LocalMachine)->movedTo).type(), type) << kind;
        ASSERT_EQ(Key::create(Hive::LocalMachine, "Mine", Access::ReadWrite, key), Status::Ok) << kind;
        EXPECT_EQ(fs::symlink_status(hive).permissions(), fs::perms(0664)) << kind;
        fs::remove(hive);
    }
}

TEST_F(HiveStoreTest, AChangeThatWouldPassTheLimitsIsRefusedAndNothingIsSaved) {
    Key key;
    ASSERT_EQ(Key::create(Hive::LocalMachine, "Big", Access::ReadWrite, key), Status::Ok);
    const std::vector<std::uint8_t> large(std::size_t{16} << 20, 0xAB); // 48 MiB as text
    ASSERT_EQ(key.setValue("first", Type::Binary, large), Status::Ok);
    const auto before = std::filesystem::last_write_time(registry_.machineFile());
    EXPECT_EQ(key.setValue("second", Type::Binary, large), Status::QuotaExceeded);
    EXPECT_EQ(std::filesystem::last_write_time(registry_.machineFile()), before);
}

// The wait limit is on a holder that saves nothing: one that keeps saving the hive is waited for.
TEST_F(HiveStoreTest, AWriterWaitsForALockHolderThatKeepsSaving) {
    auto settings = registry_.settings();
    settings.lockWait = milliseconds(500);
    configure(settings);
    Key key;
    ASSERT_EQ(Key::create(Hive::LocalMachine, "Busy", Access::ReadWrite, key), Status::Ok);
    const auto saved = test::readFile(registry_.machineFile());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = test::forkChild([&] {
        const int fd = ::open((registry_.folder() / "machine.reg.lock").c_str(), O_RDWR);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "x", 1) != 1) return 1;
        for (int i = 0; i < 75; ++i) { // 1.5 s in all, three times the limit
            test::writeFile(registry_.machineFile(), saved);
            std::this_thread::sleep_for(milliseconds(20));
        }
        return 0;
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(key.setDword("x", 1), Status::Ok);
    EXPECT_EQ(test::waitChild(holder), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace kez::reg
