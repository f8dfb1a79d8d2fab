// kezreg run as the user nobody against a machine hive owned by root: reads work, writes are refused with
// access denied and the file stays as it was.
#include "privileged.h"
#include "process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kez::reg {
namespace {
namespace fs = std::filesystem;

// Empty when the test can run; else why not.
std::string missingPrivileges() {
    if (::geteuid() != 0) return "needs root";
    if (::getpwnam("nobody") == nullptr) return "needs the user nobody";
    if (test::runCommand({"setpriv", "--version"}).exitCode != 0) return "needs setpriv";
    return {};
}

// Copies a file and makes it readable and executable by everyone.
void install(const fs::path& from, const fs::path& folder) {
    const auto to = folder / from.filename();
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms(0755));
}

TEST(KezregAsNobody, IsDeniedWritingARootOwnedMachineHive) {
    if (const auto why = missingPrivileges(); !why.empty()) KEZ_SKIP_OR_FAIL(why);
    const test::TempDir top; // the build tree may not be reachable by nobody
    const auto bin = top.path() / "bin";
    const auto registryDir = top.path() / "registry";
    const auto home = top.path() / "home";
    for (const auto& folder : {bin, registryDir, home})
        fs::create_directory(folder);
    for (const auto& folder : {top.path(), bin, registryDir})
        fs::permissions(folder, fs::perms(0755));
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_EQ(::chown(home.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    install(KEZREG_PATH, bin);
    install(KEZPLAT_PATH, bin);

    const std::vector<std::string> environment{"KEZ_REGISTRY_DIR=" + registryDir.string(),
                                               "XDG_CONFIG_HOME=" + home.string(), "HOME=" + home.string(),
                                               "LD_LIBRARY_PATH=" + bin.string(), "KEZ_REGISTRY_READONLY="};
    const auto kezreg = (bin / "kezreg").string();
    const auto safety = "HKLM\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Safety";
    ASSERT_EQ(test::runCommand({kezreg, "set", safety, "InitializedProperly", "REG_SZ", "True"}, environment).exitCode,
              0);
    const auto hive = registryDir / "machine.reg";
    const auto before = test::readFile(hive);
    struct stat beforeInfo {};
    ASSERT_EQ(::stat(hive.c_str(), &beforeInfo), 0);

    auto asNobody = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", kezreg});
        return test::runCommand(args, environment);
    };
    const auto set = asNobody({"set", safety, "InitializedProperly", "REG_SZ", "False"});
    EXPECT_EQ(set.exitCode, 1) << set.err;
    EXPECT_NE(set.err.find("access denied (5)"), std::string::npos) << set.err;
    const auto created = asNobody({"set", "HKLM\\SOFTWARE\\New", "x", "REG_DWORD", "1"});
    EXPECT_NE(created.err.find("access denied (5)"), std::string::npos) << created.err;
    const auto removed = asNobody({"delete", safety, "InitializedProperly"});
    EXPECT_NE(removed.err.find("access denied (5)"), std::string::npos) << removed.err;

    const auto query = asNobody({"query", safety, "InitializedProperly"});
    EXPECT_EQ(query.exitCode, 0) << query.err;
    EXPECT_EQ(query.out, "\"InitializedProperly\"=sz:\"True\"\n");
    const auto user =
        asNobody({"set", "HKCU\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Safety", "InitializedProperly", "REG_SZ", "False"});
    EXPECT_EQ(user.exitCode, 0) << user.err;

    struct stat afterInfo {};
    ASSERT_EQ(::stat(hive.c_str(), &afterInfo), 0);
    EXPECT_EQ(test::readFile(hive), before);
    EXPECT_EQ(afterInfo.st_ino, beforeInfo.st_ino);
    EXPECT_EQ(afterInfo.st_mtim.tv_nsec, beforeInfo.st_mtim.tv_nsec);
    EXPECT_EQ(test::filesStartingWith(registryDir, "machine.reg.").size(), 1u); // the lock file only
}

} // namespace
} // namespace kez::reg
