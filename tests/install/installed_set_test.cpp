// The set as its package installs it: the file tree of `cmake --install` (DESTDIR), the servers registered by
// the maintainer scripts' registration pointed at a private hive, and the installed ombrel brought into service
// against the simulator. Run as root: an installed set loads only servers that belong to root.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_kit.h"
#include "privileged.h"

namespace kez::install::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(InstalledSet, RegisteredByTheMaintainerScriptsComesIntoService) {
    KEZ_REQUIRE_PRIVILEGED();
    SetWorld world;
    const auto root = world.folder() / "root";
    const auto inRoot = [&](const fs::path& installed) { return root / installed.relative_path(); };
    const auto install =
        kez::test::runCommand({"cmake", "--install", KEZ_BINARY_DIR}, {"DESTDIR=" + root.string()}, 120s);
    ASSERT_TRUE(install.ok()) << install.out << install.err;

    const auto registration =
        kez::test::runCommand({inRoot(KEZ_PRIVATE_LIBDIR "/register-servers")}, world.environment());
    ASSERT_TRUE(registration.ok()) << registration.err;
    const auto classes = world.kezreg(inRoot(KEZ_FULL_BINDIR "/kezreg"), {"export", "HKCR\\CLSID"});
    EXPECT_NE(classes.out.find(inRoot(KEZ_PRIVATE_LIBDIR "/libcorvane.so").string()), std::string::npos)
        << "the installed servers, not the build's: " << classes.out << classes.err;

    ASSERT_TRUE(world.setUpAsTheWizardWould(inRoot(KEZ_FULL_BINDIR "/kezreg")));
    ASSERT_TRUE(world.startSimulator()) << world.simulatorSaid();
    ASSERT_TRUE(world.startSet(inRoot(KEZ_FULL_BINDIR "/ombrel"),
                               {"KEZ_DATA_DIR=" + inRoot(KEZ_FULL_DATADIR "/kez-ombrel").string()}));
    EXPECT_TRUE(world.inService()) << world.simulatorSaid();
}

} // namespace
} // namespace kez::install::test
