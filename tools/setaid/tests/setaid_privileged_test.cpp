// The setaid program as root on a real file system: the helper's capability (getcap), the service record
// (kezreg) and a packet port that the user nobody opens through the helper in a private namespace. The files
// live in a /tmp that only root may change, as the folders above an installed helper are.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kez/svc/service_store.h"
#include "net_namespace.h"
#include "packet_driver.h"
#include "privileged.h"
#include "process.h"
#include "root_owned_tmp.h"
#include "scoped_registry.h"
#include "temp_dir.h"
#include "unprivileged_copy.h"

namespace kez::setaid {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kPermissionDenied = "fail PermissionDenied " + std::to_string(EPERM);
const std::string kServiceKey = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\KEZPacket";
const std::string kRefused =
    "Error: KEZ Packet Driver: fnInstallPacket InstallProtocol failed. Error: " + std::to_string(EPERM) + "\n";

class SetaidAsRoot : public ::testing::Test {
public: // the case tables arrange through the fixture
    static void SetUpTestSuite() { test::rootOwnedTmpForSuite(); }
    void SetUp() override {
        if (const auto shortfall = test::rootOwnedTmpForSuite()) KEZ_SKIP_OR_FAIL(*shortfall);
        if (copy_.folder().empty()) KEZ_SKIP_OR_FAIL("cannot copy the helper");
        kez::test::writeFile(copy_.folder() / "KEZPacket.inf", "[Bind]\nProgram=kez-rawsock\nGroup=" + group_ + "\n");
    }
    void TearDown() override { test::runCommand({"groupdel", group_}); }

    fs::path helper() const { return copy_.folder() / "kez-rawsock"; }
    std::vector<std::string> withHive(std::vector<std::string> argv) const {
        std::vector<std::string> command{"env"};
        for (const std::string& entry : registry_.environment())
            command.push_back(entry);
        command.insert(command.end(), argv.begin(), argv.end());
        return command;
    }
    test::CommandResult setaid(const std::vector<std::string>& arguments, std::vector<std::string> environment = {}) {
        std::vector<std::string> argv = std::move(environment);
        argv.push_back(KEZ_SETAID_PROGRAM);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runCommand(withHive(argv));
    }
    test::CommandResult install() { return setaid({"install", "KEZPacket.inf", copy_.folder().string()}); }
    test::CommandResult installNaming(const fs::path& program) {
        kez::test::writeFile(copy_.folder() / "KEZPacket.inf",
                             "[Bind]\nProgram=" + program.string() + "\nGroup=" + group_ + "\n");
        return install();
    }
    std::string capabilities(const fs::path& program) const { return test::runCommand({"getcap", program}).out; }
    bool recorded() const { return test::runCommand(withHive({KEZREG_PROGRAM, "query", kServiceKey})).ok(); }

    // The answer of a packet port that nobody, in the helper's group, opens through the helper.
    std::string openAsNobody() {
        const test::NetNamespace space("sa");
        const test::VethPair link(space, space);
        if (!space.valid() || !link.valid()) return "no namespace";
        const group* found = ::getgrnam(group_.c_str());
        const std::string groups = found != nullptr ? std::to_string(found->gr_gid) : "nogroup";
        test::ChildProcess probe;
        const std::string program = (copy_.folder() / fs::path(KEZ_NET_PROBE).filename()).string();
        if (!probe.start(space.exec({"setpriv", "--reuid=nobody", "--regid=nogroup", "--groups=" + groups,
                                     "--inh-caps=-all", program}),
                         {"LD_LIBRARY_PATH=" + copy_.folder().string(), "KEZ_RAWSOCK=" + helper().string()})) {
            return "no probe";
        }
        probe.sendLine("open " + link.firstName());
        const std::string answer = probe.readLine(10s).value_or("no answer");
        probe.sendLine("quit");
        return answer;
    }

    fs::path helperCopyIn(const fs::path& folder) {
        fs::create_directories(folder);
        fs::copy_file(KEZ_RAWSOCK_PROGRAM, folder / "kez-rawsock");
        return folder / "kez-rawsock";
    }

    std::string group_ = test::uniqueName("kg");
    kez::test::ScopedRegistry registry_;
    test::UnprivilegedCopy copy_{"kez-setaid", {KEZ_RAWSOCK_PROGRAM, KEZ_NET_PROBE, KEZPLAT_LIBRARY}};
};

TEST_F(SetaidAsRoot, InstallGrantsRefreshesAndRemovalRevokes) {
    ASSERT_EQ(install().exitCode, 0);
    EXPECT_NE(capabilities(helper()).find("cap_net_raw=ep"), std::string::npos);
    EXPECT_TRUE(recorded());
    const auto mode = fs::status(helper()).permissions();
    EXPECT_EQ(mode, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_TRUE(openAsNobody().starts_with("ok "));
    // An upgrade puts a new helper in place of the old one, without the capability; a second install restores it.
    ASSERT_TRUE(copy_.copyAs(KEZ_RAWSOCK_PROGRAM, "kez-rawsock.new"));
    fs::rename(copy_.folder() / "kez-rawsock.new", helper());
    ASSERT_EQ(capabilities(helper()).find("cap_net_raw"), std::string::npos);
    ASSERT_EQ(install().exitCode, 0);
    EXPECT_NE(capabilities(helper()).find("cap_net_raw=ep"), std::string::npos);

    const test::CommandResult removed = setaid({"uninstall", "--flag", "1"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(capabilities(helper()).find("cap_net_raw"), std::string::npos);
    EXPECT_FALSE(recorded());
    EXPECT_EQ(openAsNobody(), kPermissionDenied);

    const test::CommandResult again = setaid({"uninstall", "--flag", "1"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.err, "Error: KEZ Packet Driver: OpenService failed. Error: 1060\n");
}

TEST(ClaimsFolder, IsRootsAndTheGroupsAndGoesOnlyWhenEmpty) {
    KEZ_REQUIRE_PRIVILEGED();
    const test::TempDir base("kez-claims");
    const fs::path folder = base / "kez-ombrel" / "claims";
    ASSERT_EQ(makeClaimsFolder(folder, "nogroup"), 0);
    ASSERT_EQ(makeClaimsFolder(folder, "nogroup"), 0) << "a second install";
    struct Expected {
        fs::path path;
        mode_t mode;
        gid_t group;
    };
    for (const auto& [path, mode, group] : {Expected{folder.parent_path(), 0755, 0}, Expected{folder, 03770, 65534}}) {
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0) << path;
        EXPECT_TRUE(S_ISDIR(status.st_mode)) << path;
        EXPECT_EQ(status.st_mode & 07777, mode) << path;
        EXPECT_EQ(status.st_uid, 0u) << path;
        EXPECT_EQ(status.st_gid, group) << path;
    }
    EXPECT_EQ(makeClaimsFolder(base / "other", "no-such-group-kz"), ENOENT);

    test::writeFile(folder / "4026531840-2", "");
    removeClaimsFolder(folder);
    EXPECT_TRUE(fs::exists(folder)) << "a claim keeps the folder";
    fs::remove(folder / "4026531840-2");
    removeClaimsFolder(folder);
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(SetaidAsRoot, FlagZeroKeepsEverythingAndAStoppedServiceIsDeleted) {
    ASSERT_EQ(install().exitCode, 0);
    EXPECT_EQ(setaid({"uninstall", "--flag", "0"}).exitCode, 1);
    EXPECT_NE(capabilities(helper()).find("cap_net_raw=ep"), std::string::npos);
    EXPECT_TRUE(recorded());

    ASSERT_TRUE(test::runCommand({"setcap", "-r", helper()}).ok());
    const test::CommandResult removed = setaid({"uninstall"});
    EXPECT_EQ(removed.exitCode, 0);
    EXPECT_EQ(removed.err, "");
    EXPECT_FALSE(recorded());
}

TEST_F(SetaidAsRoot, NobodyMayNeitherInstallNorRemove) {
    ASSERT_TRUE(copy_.copyAs(KEZ_SETAID_PROGRAM, "setaid") && copy_.copyAs(KEZ_SETAID_LIBRARY, "libsetaid.so"));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"install", "KEZPacket.inf", copy_.folder().string()},
          std::vector<std::string>{"uninstall", "--flag", "1"}}) {
        std::vector<std::string> argv{"setpriv",
                                      "--reuid=nobody",
                                      "--regid=nogroup",
                                      "--clear-groups",
                                      "--inh-caps=-all",
                                      "env",
                                      "LD_LIBRARY_PATH=" + copy_.folder().string(),
                                      (copy_.folder() / "setaid").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const test::CommandResult result = test::runCommand(withHive(argv));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("failed. Error: 5\n"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(registry_.machineFile()));
    EXPECT_EQ(capabilities(helper()), "");
}

TEST_F(SetaidAsRoot, NosuidMountIsRefused) {
    const std::string script = "mount -t tmpfs -o nosuid,mode=0755 tmpfs \"$1\" && cp \"$2\" \"$1\"/kez-rawsock && "
                               "printf '[Bind]\\nProgram=kez-rawsock\\nGroup=%s\\n' \"$3\" > \"$1\"/KEZPacket.inf && "
                               "exec \"$4\" install KEZPacket.inf \"$1\"";
    const fs::path mountPoint = copy_.folder() / "nosuid";
    fs::create_directory(mountPoint);
    const test::CommandResult result =
        test::runCommand(withHive({"unshare", "--mount", "--propagation", "private", "sh", "-c", script, "sh",
                                   mountPoint.string(), KEZ_RAWSOCK_PROGRAM, group_, KEZ_SETAID_PROGRAM}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error: KEZ Packet Driver: fnInstallPacket InstallProtocol failed. Error: " +
                              std::to_string(EOPNOTSUPP) + "\n");
    EXPECT_FALSE(recorded());
}

// A record edited to name another program must not make the removal strip that program's capability.
TEST_F(SetaidAsRoot, RemovalLeavesAnEditedRecordsOtherProgram) {
    ASSERT_TRUE(copy_.copyAs(KEZ_RAWSOCK_PROGRAM, "other-tool"));
    const fs::path other = copy_.folder() / "other-tool";
    ASSERT_TRUE(test::runCommand({"setcap", "cap_net_raw+ep", other}).ok());
    ASSERT_EQ(install().exitCode, 0);
    ASSERT_TRUE(test::runCommand(
                    withHive({KEZREG_PROGRAM, "set", kServiceKey, "BoundPrograms", "REG_MULTI_SZ", other.string()}))
                    .ok());
    EXPECT_EQ(setaid({"uninstall", "--flag", "1"}).exitCode, 0);
    EXPECT_NE(capabilities(other).find("cap_net_raw=ep"), std::string::npos);
    EXPECT_FALSE(recorded());
}

// A path root does not alone control could be changed between the check and the grant: Setaid refuses it and
// leaves no capability on the helper it names or on the user's program that could take its place.
struct UnsafePath {
    const char* name;
    // Returns the path the manifest names; `substitute` is a user's program on the way.
    std::function<fs::path(SetaidAsRoot&, const fs::path& substitute)> arrange;
};

TEST_F(SetaidAsRoot, RefusesAHelperBehindALinkOrAUsersFolder) {
    const uid_t nobody = 65534;
    const std::vector<UnsafePath> cases = {
        {"a folder that is a link",
         [](SetaidAsRoot& t, const fs::path&) {
             const fs::path real = t.helperCopyIn(t.copy_.folder() / "real").parent_path();
             fs::create_directory_symlink(real, t.copy_.folder() / "link");
             return t.copy_.folder() / "link" / "kez-rawsock";
         }},
        {"a folder the user nobody owns, where the user's program waits",
         [](SetaidAsRoot& t, const fs::path& substitute) {
             const fs::path helper = t.helperCopyIn(t.copy_.folder() / "users");
             EXPECT_EQ(::chown(helper.parent_path().c_str(), nobody, 0), 0);
             fs::copy_file(KEZ_RAWSOCK_PROGRAM, substitute);
             EXPECT_EQ(::chown(substitute.c_str(), nobody, 0), 0);
             return helper;
         }},
    };
    for (const UnsafePath& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path substitute = copy_.folder() / "users" / "own-tool";
        const fs::path named = c.arrange(*this, substitute);
        const test::CommandResult result = installNaming(named);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, kRefused);
        EXPECT_EQ(capabilities(fs::weakly_canonical(named)), "");
        if (fs::exists(substitute)) {
            EXPECT_EQ(capabilities(substitute), "");
        }
        EXPECT_FALSE(recorded());
    }
}

// Root runs groupadd by its own path with an environment of Setaid's, not the one it was started with.
TEST_F(SetaidAsRoot, GroupaddIsNotTakenFromTheCallersPath) {
    const fs::path fakes = copy_.folder() / "fakes";
    const fs::path marker = copy_.folder() / "fake groupadd ran";
    fs::create_directory(fakes);
    kez::test::writeFile(fakes / "groupadd", "#!/bin/sh\ntouch '" + marker.string() + "'\n");
    fs::permissions(fakes / "groupadd", fs::perms::owner_all);
    ASSERT_EQ(::getgrnam(group_.c_str()), nullptr);

    const test::CommandResult result =
        setaid({"install", "KEZPacket.inf", copy_.folder().string()}, {"PATH=" + fakes.string() + ":/usr/bin:/bin"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_NE(::getgrnam(group_.c_str()), nullptr);
    EXPECT_NE(capabilities(helper()).find("cap_net_raw=ep"), std::string::npos);
}

} // namespace
} // namespace kez::setaid
