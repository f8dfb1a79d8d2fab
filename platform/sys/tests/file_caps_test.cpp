// The capability facility as root on real files: which paths it trusts, and that it changes nothing on a path it
// refuses (a linked folder and another user's folder are shown through Setaid). The files live in a /tmp that only
// root may change, so that each case alters one folder or file.
#include <pwd.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kez/sys/file_caps.h"
#include "privileged.h"
#include "process.h"
#include "root_owned_tmp.h"
#include "temp_dir.h"

namespace kez::sys {
namespace {

namespace fs = std::filesystem;

bool hasFileCapability(const fs::path& file) {
    cap_t held = ::cap_get_file(file.c_str());
    if (held == nullptr) return false;
    ::cap_free(held);
    return true;
}

uid_t nobody() {
    const passwd* found = ::getpwnam("nobody");
    return found != nullptr ? found->pw_uid : 65534;
}

class FileCapsAsRoot : public ::testing::Test {
public: // the case tables arrange through the fixture
    static void SetUpTestSuite() { test::rootOwnedTmpForSuite(); }
    void SetUp() override {
        if (const auto shortfall = test::rootOwnedTmpForSuite()) KEZ_SKIP_OR_FAIL(*shortfall);
        freshTree();
    }

    // <base>/bin/kez-rawsock, root's all the way and writable by root alone.
    void freshTree() {
        base_.emplace("kez-caps");
        fs::permissions(base(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
        fs::create_directory(bin());
        fs::copy_file("/bin/true", program());
    }

    const fs::path& base() const { return base_->path(); }
    fs::path bin() const { return base() / "bin"; }
    fs::path program() const { return bin() / "kez-rawsock"; }
    static void chownTo(const fs::path& path, uid_t owner) { ASSERT_EQ(::lchown(path.c_str(), owner, 0), 0); }

    std::optional<test::TempDir> base_;
    std::unique_ptr<FileCaps> caps_ = makeSystemFileCaps();
};

struct PathCase {
    const char* name;
    // Shapes the tree and returns the path to hand over.
    std::function<fs::path(FileCapsAsRoot&)> arrange;
    int trusted;
};

TEST_F(FileCapsAsRoot, TrustsOnlyRootsFilesReachedThroughRootsFolders) {
    const std::vector<PathCase> cases = {
        {"root's file in root's folders", [](FileCapsAsRoot& t) { return t.program(); }, 0},
        {"the file is a link",
         [](FileCapsAsRoot& t) {
             fs::create_symlink(t.program(), t.bin() / "link");
             return t.bin() / "link";
         },
         EPERM},
        {"a folder the group may write",
         [](FileCapsAsRoot& t) {
             fs::permissions(t.bin(), fs::perms::group_write, fs::perm_options::add);
             return t.program();
         },
         EPERM},
        {"a sticky folder everyone may write",
         [](FileCapsAsRoot& t) {
             fs::permissions(t.bin(), fs::perms::all | fs::perms::sticky_bit);
             return t.program();
         },
         EPERM},
        {"the file of another user's",
         [](FileCapsAsRoot& t) {
             chownTo(t.program(), nobody());
             return t.program();
         },
         EPERM},
        {"the file others may write",
         [](FileCapsAsRoot& t) {
             fs::permissions(t.program(), fs::perms::others_write, fs::perm_options::add);
             return t.program();
         },
         EPERM},
        {"a folder as the program", [](FileCapsAsRoot& t) { return t.bin(); }, EPERM},
        {"a pipe as the program",
         [](FileCapsAsRoot& t) {
             ::mkfifo((t.bin() / "fifo").c_str(), 0755);
             return t.bin() / "fifo";
         },
         EPERM},
        {"a way up", [](FileCapsAsRoot& t) { return t.bin() / ".." / "bin" / "kez-rawsock"; }, EPERM},
        {"a relative path", [](FileCapsAsRoot&) { return fs::path("bin/kez-rawsock"); }, EINVAL},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        freshTree();
        const fs::path path = c.arrange(*this);
        EXPECT_EQ(caps_->checkTrusted(path), c.trusted);
        EXPECT_EQ(caps_->grant(path, "cap_net_raw", "root"), c.trusted);
        EXPECT_EQ(hasFileCapability(program()), c.trusted == 0);
        EXPECT_EQ(caps_->has(path, "cap_net_raw"), c.trusted == 0);
        if (c.trusted != 0) continue;
        EXPECT_EQ(fs::status(program()).permissions(),
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
        EXPECT_EQ(caps_->revoke(path), 0);
        EXPECT_FALSE(hasFileCapability(program()));
        EXPECT_EQ(caps_->revoke(path), ENODATA);
    }
}

// A capability set by other means on a file behind a folder another user owns is neither reported nor taken.
TEST_F(FileCapsAsRoot, RevokeAndCheckRefuseWhatTheyCannotTrust) {
    ASSERT_TRUE(test::runCommand({"setcap", "cap_net_raw+ep", program().string()}).ok());
    chownTo(bin(), nobody());
    EXPECT_FALSE(caps_->has(program(), "cap_net_raw"));
    EXPECT_EQ(caps_->revoke(program()), EPERM);
    EXPECT_TRUE(hasFileCapability(program()));
}

} // namespace
} // namespace kez::sys
