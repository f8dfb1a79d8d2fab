// Hive files under the hands of other local users, as root: a lock file nobody else may open, a bounded wait on
// one an earlier version left readable, saves that keep the rights of the file read, and links moved aside.
#include "privileged.h"
#include "process.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <functional>

namespace kez::reg {
namespace {
namespace fs = std::filesystem;

const passwd* nobody() { return ::getpwnam("nobody"); }

// Runs `body` as the user nobody in a child process that then waits (holding what it took) until the object ends.
class AsNobody {
public:
    explicit AsNobody(const std::function<int()>& body) {
        int report[2];
        if (::pipe(report) != 0) return;
        pid_ = test::forkChild([&] {
            const bool dropped =
                ::setgroups(0, nullptr) == 0 && ::setgid(nobody()->pw_gid) == 0 && ::setuid(nobody()->pw_uid) == 0;
            result = dropped ? body() : -1;
            (void)!::write(report[1], &result, sizeof result);
            ::pause();
            return 0;
        });
        ::close(report[1]); // a child that dies without a report ends the read
        if (pid_ > 0) (void)!::read(report[0], &result, sizeof result);
        ::close(report[0]);
    }
    ~AsNobody() {
        if (pid_ <= 0) return; // kill(-1) would reach every process
        ::kill(pid_, SIGKILL);
        test::waitChild(pid_);
    }
    int result = -1;

private:
    pid_t pid_ = -1;
};

class HostileUserTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || nobody() == nullptr) KEZ_SKIP_OR_FAIL("needs root and the user nobody");
        auto settings = registry_.settings();
        settings.lockWait = std::chrono::milliseconds(200);
        configure(settings);
        ASSERT_EQ(Key::create(Hive::LocalMachine, "A", Access::ReadWrite, key_), Status::Ok);
        ASSERT_EQ(::chown(registry_.folder().c_str(), nobody()->pw_uid, nobody()->pw_gid), 0);
    }

    test::ScopedRegistry registry_;
    Key key_;
};

TEST_F(HostileUserTest, ALockHeldByAnotherUserGivesATimelyError) {
    const auto lockFile = registry_.folder() / "machine.reg.lock";
    const auto takeLock = [&] {
        const int fd = ::open(lockFile.c_str(), O_RDONLY);
        return fd < 0 ? errno : ::flock(fd, LOCK_EX);
    };
    EXPECT_EQ(AsNobody(takeLock).result, EACCES);
    fs::permissions(lockFile, fs::perms(0644)); // as the umask or an earlier version may have left it
    {
        const AsNobody holder(takeLock);
        ASSERT_EQ(holder.result, 0);
        EXPECT_EQ(key_.setDword("x", 1), Status::LockTimeout);
    }
    EXPECT_EQ(fs::status(lockFile).permissions(), fs::perms(0660));
    EXPECT_EQ(key_.setDword("x", 1), Status::Ok);
}

TEST_F(HostileUserTest, ASaveKeepsOwnerAndModeOfTheFileRead) {
    ASSERT_EQ(::chown(registry_.machineFile().c_str(), nobody()->pw_uid, nobody()->pw_gid), 0);
    fs::permissions(registry_.machineFile(), fs::perms(0640));
    ASSERT_EQ(key_.setDword("x", 1), Status::Ok);
    struct stat saved {};
    ASSERT_EQ(::lstat(registry_.machineFile().c_str(), &saved), 0);
    EXPECT_EQ(saved.st_uid, nobody()->pw_uid);
    EXPECT_EQ(saved.st_mode & 0777, 0640u);
}

// A link to a file a group writer may not write is moved aside like any damaged hive, not taken as read-only.
TEST_F(HostileUserTest, AWriterMovesALinkToAFileItMayNotWriteAside) {
    const auto lockFile = registry_.folder() / "machine.reg.lock";
    ASSERT_EQ(::chown(lockFile.c_str(), 0, nobody()->pw_gid), 0); // the writers' group, as a set-group-ID folder gives
    fs::rename(registry_.machineFile(), registry_.folder() / "root-only");
    fs::create_symlink(registry_.folder() / "root-only", registry_.machineFile());
    const AsNobody writer([] {
        ::close(STDERR_FILENO);
        Key key;
        return static_cast<int>(Key::create(Hive::LocalMachine, "Mine", Access::ReadWrite, key));
    });
    EXPECT_EQ(writer.result, 0);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(registry_.machineFile())));
    EXPECT_EQ(test::filesStartingWith(registry_.folder(), "machine.reg.damaged-").size(), 1u);
}

TEST_F(HostileUserTest, TheRootOnlyStoreOfAnotherUserIsRefusedAndAMemberCannotChangeRoots) {
    const auto server = "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}\\InprocServer32";
    Key key;
    ASSERT_EQ(Key::create(Hive::ClassesRoot, server, Access::ReadWrite, key), Status::Ok);
    for (const auto& owned : {registry_.systemFile(), registry_.systemFile().parent_path()}) {
        ASSERT_EQ(::chown(owned.c_str(), nobody()->pw_uid, nobody()->pw_gid), 0);
        registry_.reopen();
        EXPECT_EQ(Key::open(Hive::ClassesRoot, server, Access::Read, key), Status::FileNotFound);
        EXPECT_EQ(damageReport(Hive::ClassesRoot)->reason, owned.string() + ": not owned by root");
        ASSERT_EQ(::chown(owned.c_str(), 0, 0), 0);
    }
    registry_.reopen();
    const auto before = test::readFile(registry_.systemFile());
    const AsNobody member([&] { // root's registration reads; neither way of writing it works
        const auto viaMachine = std::string("SOFTWARE\\Classes\\") + server;
        return Key::open(Hive::ClassesRoot, server, Access::Read, key) == Status::Ok &&
               Key::open(Hive::ClassesRoot, server, Access::ReadWrite, key) == Status::AccessDenied &&
               Key::create(Hive::LocalMachine, viaMachine, Access::ReadWrite, key) == Status::AccessDenied;
    });
    EXPECT_EQ(member.result, 1);
    EXPECT_EQ(test::readFile(registry_.systemFile()), before);
}

} // namespace
} // namespace kez::reg
