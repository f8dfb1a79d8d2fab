#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "kez/sys/last_error.h"
#include "kez/sys/paths.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::sys {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

class Paths : public ::testing::Test {
protected:
    const test::TempDir dir_{"kez-paths"};
    const fs::path& root_ = dir_.path();
};

TEST_F(Paths, StateDirFollowsXdgStateHomeAndIsCreated) {
    ScopedEnv state("XDG_STATE_HOME", (root_ / "state").string());
    EXPECT_EQ(stateDir(), root_ / "state" / "kez-ombrel");
    EXPECT_TRUE(fs::is_directory(root_ / "state" / "kez-ombrel"));
}

TEST_F(Paths, UserFoldersFallBackToHomeWhenXdgIsUnsetOrRelative) {
    ScopedEnv home("HOME", root_.string());
    ScopedEnv state("XDG_STATE_HOME", std::string("relative/state"));
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(stateDir(), root_ / ".local" / "state" / "kez-ombrel");
    EXPECT_TRUE(fs::is_directory(stateDir()));
    EXPECT_EQ(userConfigDir(), root_ / ".config" / "kez-ombrel");
}

TEST_F(Paths, UserConfigDirFollowsXdgConfigHome) {
    ScopedEnv config("XDG_CONFIG_HOME", (root_ / "cfg").string());
    EXPECT_EQ(userConfigDir(), root_ / "cfg" / "kez-ombrel");
}

TEST_F(Paths, EnvironmentOverridesTheCompiledFolders) {
    {
        ScopedEnv data("KEZ_DATA_DIR", std::nullopt);
        ScopedEnv registry("KEZ_REGISTRY_DIR", std::nullopt);
        ScopedEnv system("KEZ_SYSTEM_REGISTRY_DIR", std::nullopt);
        EXPECT_EQ(dataDir(), fs::path(KEZ_BINARY_DIR) / "data");
        EXPECT_EQ(registryDir(), fs::path(KEZ_BINARY_DIR) / "registry");
        EXPECT_EQ(systemRegistryDir(), fs::path(KEZ_BINARY_DIR) / "registry" / "system");
    }
    ScopedEnv data("KEZ_DATA_DIR", (root_ / "data").string());
    ScopedEnv registry("KEZ_REGISTRY_DIR", (root_ / "reg").string());
    EXPECT_EQ(dataDir(), root_ / "data");
    EXPECT_EQ(registryDir(), root_ / "reg");
    {
        ScopedEnv system("KEZ_SYSTEM_REGISTRY_DIR", std::nullopt);
        EXPECT_EQ(systemRegistryDir(), root_ / "reg" / "system"); // a private machine hive brings its own store
    }
    ScopedEnv system("KEZ_SYSTEM_REGISTRY_DIR", (root_ / "root-only").string());
    EXPECT_EQ(systemRegistryDir(), root_ / "root-only");
}

TEST(LiesUnder, ComparesWholePathElements) {
    struct Row {
        const char* file;
        const char* folder;
        bool under;
    };
    const Row rows[] = {
        {"/work/build/release/bin/ombrel", "/work/build/release", true},
        {"/work/build/release/bin/ombrel", "/work/build/release/", true},
        {"/work/build/release2/bin/ombrel", "/work/build/release", false}, // a sibling with a longer name
        {"/usr/bin/ombrel", "/work/build/release", false},
        {"/work/build/release", "/work/build/release", false}, // the folder itself is no program in it
        {"/work/build/release/../elsewhere/ombrel", "/work/build/release", false},
        {"/work/build/release/./bin/../bin/ombrel", "/work/build/release", true},
        {"", "/work/build/release", false}, // an executable that could not be read
    };
    for (const auto& row : rows)
        EXPECT_EQ(liesUnder(row.file, row.folder), row.under) << row.file << " under " << row.folder;
}

TEST(ProgramFile, TheTestsRunFromTheBuildTree) { EXPECT_TRUE(runsFromBuildTree()); }

TEST(ProgramFile, NamesTheRunningExecutable) {
    EXPECT_EQ(programFile().filename(), "kez_sys_tests");
    EXPECT_TRUE(programFile().is_absolute());
}

TEST(LastError, IsTheThreadsErrnoWithItsText) {
    setLastError(ENOENT);
    EXPECT_EQ(lastError(), ENOENT);
    EXPECT_EQ(errorText(ENOENT), "No such file or directory");
    EXPECT_FALSE(errorText(123456).empty());
}

} // namespace
} // namespace kez::sys
