// Hive files under the hands of other local users, as root: a lock file nobody else may take, a bounded wait on one
// an earlier version left readable, and saves that keep the rights of the file read, never of a link's target.
#include "privileged.h"
#include "reg_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

namespace kez::reg {
namespace {
namespace fs = std::filesystem;

const passwd* nobody() { return ::getpwnam("nobody"); }

// Runs `body` in a child process as the user nobody; its result is the child's exit code.
pid_t startAsNobody(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody()->pw_gid) != 0 || ::setuid(nobody()->pw_uid) != 0) {
            ::_exit(100);
        }
        ::_exit(body());
    }
    return pid;
}

int exitCodeOf(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child process running as nobody that opens `file` read-only and holds an exclusive flock on it until killed.
// Returns its pid once it holds the lock, or -errno of its failed open.
pid_t holdAsNobody(const fs::path& file) {
    int ready[2];
    if (::pipe(ready) != 0) return -EIO;
    const pid_t pid = startAsNobody([&] {
        const int fd = ::open(file.c_str(), O_RDONLY);
        int result = fd < 0 || ::flock(fd, LOCK_EX) != 0 ? errno : 0;
        (void)!::write(ready[1], &result, sizeof result);
        if (result == 0) ::pause();
        return 0;
    });
    int result = EIO;
    (void)!::read(ready[0], &result, sizeof result);
    ::close(ready[0]);
    ::close(ready[1]);
    if (result == 0) return pid;
    exitCodeOf(pid);
    return -result;
}

void stop(pid_t pid) {
    ::kill(pid, SIGKILL);
    exitCodeOf(pid);
}

class HostileUserTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || nobody() == nullptr) KEZ_SKIP_OR_FAIL("needs root and the user nobody");
        fs::permissions(registry_.folder(), fs::perms(0755));
        auto settings = registry_.settings();
        settings.lockWait = std::chrono::milliseconds(200);
        configure(settings);
    }

    test::ScopedRegistry registry_;
};

TEST_F(HostileUserTest, ALockHeldByAnotherUserGivesATimelyError) {
    Key key;
    ASSERT_EQ(Key::create(Hive::LocalMachine, "Locked", Access::ReadWrite, key), Status::Ok);
    const auto lockFile = registry_.folder() / "machine.reg.lock";
    EXPECT_EQ(holdAsNobody(lockFile), -EACCES);

    fs::permissions(lockFile, fs::perms(0644)); // as the umask or an earlier version may have left it
    const pid_t holder = holdAsNobody(lockFile);
    ASSERT_GT(holder, 0) << std::strerror(-holder);
    EXPECT_EQ(key.setDword("x", 1), Status::LockTimeout);
    EXPECT_EQ(fs::status(lockFile).permissions(), fs::perms(0660));
    stop(holder);
    EXPECT_EQ(key.setDword("x", 1), Status::Ok);
}

TEST_F(HostileUserTest, ASaveKeepsTheRightsOfTheFileReadNeverOfALinksTarget) {
    struct Case {
        const char* what;
        bool throughLink;
        uid_t owner;
        fs::perms mode;
    };
    const auto target = registry_.folder() / "target";
    for (const auto& c :
         {Case{"regular file", false, nobody()->pw_uid, fs::perms(0640)}, Case{"link", true, 0, fs::perms(0664)}}) {
        const auto hive = c.throughLink ? target : registry_.machineFile();
        test::writeFile(hive, "KEZ-REGISTRY-HIVE 1\n[A]\n");
        ASSERT_EQ(::chown(hive.c_str(), nobody()->pw_uid, nobody()->pw_gid), 0);
        fs::permissions(hive, fs::perms(0640));
        if (c.throughLink) fs::create_symlink(target, registry_.machineFile());
        registry_.reopen();

        testing::internal::CaptureStderr();
        Key key;
        ASSERT_EQ(Key::create(Hive::LocalMachine, "B", Access::ReadWrite, key), Status::Ok) << c.what;
        testing::internal::GetCapturedStderr();
        struct stat saved {};
        ASSERT_EQ(::lstat(registry_.machineFile().c_str(), &saved), 0);
        EXPECT_TRUE(S_ISREG(saved.st_mode)) << c.what;
        EXPECT_EQ(saved.st_uid, c.owner) << c.what;
        EXPECT_EQ(fs::perms(saved.st_mode & 0777), c.mode) << c.what;
        EXPECT_EQ(test::readFile(target).empty(), !c.throughLink) << c.what;
        fs::remove(registry_.machineFile());
    }
}

// A link to a file the writer may not write is moved aside like any damaged hive, not taken as a read-only hive.
TEST_F(HostileUserTest, AGroupWriterMovesALinkToAnUnwritableFileAside) {
    const auto target = registry_.folder() / "root-only";
    test::writeFile(target, "KEZ-REGISTRY-HIVE 1\n[Secret]\n");
    fs::permissions(target, fs::perms(0600));
    fs::create_symlink(target, registry_.machineFile());
    ASSERT_EQ(::chown(registry_.folder().c_str(), nobody()->pw_uid, nobody()->pw_gid), 0);
    const auto writer = startAsNobody([] {
        ::close(STDERR_FILENO);
        Key key;
        return static_cast<int>(Key::create(Hive::LocalMachine, "Mine", Access::ReadWrite, key));
    });
    EXPECT_EQ(exitCodeOf(writer), 0);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(registry_.machineFile())));
    EXPECT_EQ(test::filesStartingWith(registry_.folder(), "machine.reg.damaged-").size(), 1u);
    EXPECT_EQ(test::readFile(target), "KEZ-REGISTRY-HIVE 1\n[Secret]\n");
}

} // namespace
} // namespace kez::reg
