// The build tree's ombrel as a new user starts it (build/<preset>/bin/ombrel): the build registered the three
// servers in the build tree's hive, so with no settings it hands over to the wizard, and set up as the wizard
// leaves it, it comes into service against the simulator. The test runs on a copy of that hive.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_kit.h"

namespace kez::install::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBuild = KEZ_BINARY_DIR;
const fs::path kKezreg = kBuild / "tools/kezreg/kezreg";

class BuildTreeSet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kBuild / "registry/system/system.reg")) << "the build registers the servers";
        fs::copy(kBuild / "registry", world_.registry(), fs::copy_options::recursive);
    }
    SetWorld world_;
};

TEST_F(BuildTreeSet, WithNoSettingsOpensTheWizard) {
    // No settings: the hive as the build left it, whatever an earlier run of this build tree saved.
    world_.kezreg(kKezreg, {"delete", std::string(kSettingsKey) + "\\Wizard", "AutoLaunch"});
    ASSERT_TRUE(world_.startSet(kBuild / "bin/ombrel"));
    const auto wizard = world_.x().awaitWindow("^KEZ Ombrel Configuration Wizard$", kServiceLimit);
    ASSERT_FALSE(wizard.empty()) << "the wizard beside ombrel, with the servers it creates registered";
    EXPECT_TRUE(world_.set().wait(30s)) << "ombrel leaves the start to the wizard";
    const auto pid = world_.x().run({"xdotool", "getwindowpid", wizard}).out;
    kez::test::runCommand({"kill", pid.substr(0, pid.find('\n'))});
}

TEST_F(BuildTreeSet, SetUpComesIntoServiceAgainstTheSimulator) {
    ASSERT_TRUE(world_.setUpAsTheWizardWould(kKezreg));
    ASSERT_TRUE(world_.startSimulator()) << world_.simulatorSaid();
    ASSERT_TRUE(world_.startSet(kBuild / "bin/ombrel"));
    EXPECT_TRUE(world_.inService()) << world_.simulatorSaid();
}

} // namespace
} // namespace kez::install::test
