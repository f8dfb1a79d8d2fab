// One user at a time on an adapter: claims in a folder of this test's own, the users told
// apart by the id the claim is made for (the locks are per open file, so one process shows
// them all).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "station_claim.h"
#include "temp_dir.h"

namespace kez::net::detail {
namespace {

namespace fs = std::filesystem;

struct Step {
    uid_t user;
    int ifindex;
    std::optional<std::uint32_t> refusedFor; // the holder named, when the claim is refused
    bool endAfterwards = false;              // the claimant ends once its claim is made
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

class StationClaims : public ::testing::Test {
protected:
    StationClaims() {
        fs::create_directory(folder());
        fs::permissions(folder(), fs::perms(01770));
    }
    fs::path folder() const { return dir_ / "claims"; }
    StationClaim claim(uid_t user, int ifindex = 7) const { return claimStation(folder(), ifindex, user, ::geteuid()); }

private:
    test::TempDir dir_{"kez-claims"};
};

TEST_F(StationClaims, OneUserAtATimeHoldsAnAdapter) {
    const std::vector<Scenario> scenarios{
        {"the same user again", {{1001, 7, {}}, {1001, 7, {}}}},
        {"another user", {{1001, 7, {}}, {1002, 7, 1001}}},
        {"root after a user", {{1001, 7, {}}, {0, 7, 1001}}},
        {"a user after root", {{0, 7, {}}, {1001, 7, 0}}},
        {"after the holder ended", {{1001, 7, {}, true}, {1002, 7, {}}}},
        {"another adapter", {{1001, 7, {}}, {1002, 8, {}}}},
        {"the refused user holds nothing", {{1001, 7, {}, true}, {1002, 7, {}}, {1001, 7, 1002}}},
    };
    for (const auto& scenario : scenarios) {
        std::vector<StationClaim> held;
        for (const Step& step : scenario.steps) {
            StationClaim made = claim(step.user, step.ifindex);
            if (step.refusedFor) {
                EXPECT_EQ(made.status, portError(PortCode::AdapterInUse, EBUSY)) << scenario.name;
                EXPECT_EQ(made.holder, *step.refusedFor) << scenario.name;
                EXPECT_FALSE(made.lock) << scenario.name;
            } else {
                EXPECT_TRUE(made.status.ok()) << scenario.name << ": " << describe(made.status);
                EXPECT_TRUE(made.lock) << scenario.name;
            }
            if (!step.endAfterwards) held.push_back(std::move(made));
        }
    }
}

TEST_F(StationClaims, AClaimIsHeldOnTheFolderItselfWhichNoMemberCanRemove) {
    const StationClaim made = claim(1001);
    ASSERT_TRUE(made.lock);
    struct stat held {};
    struct stat folderStatus {};
    ASSERT_EQ(::fstat(made.lock.get(), &held), 0);
    ASSERT_EQ(::stat(folder().c_str(), &folderStatus), 0);
    EXPECT_EQ(held.st_ino, folderStatus.st_ino);
    EXPECT_TRUE(fs::is_empty(folder())) << "no file a member could unlink to free the station";
}

TEST(StationClaimFolder, IsUsedOnlyWhenRootsAndSticky) {
    struct Case {
        const char* name;
        std::optional<fs::perms> mode; // none: the folder is missing
        bool owned;                    // by the owner the claim asks for
        PortCode code;
    };
    const std::vector<Case> cases{
        {"no folder: nothing to claim", std::nullopt, true, PortCode::Ok},
        {"sticky, group-writable", fs::perms(01770), true, PortCode::Ok},
        {"not sticky", fs::perms(0770), true, PortCode::PermissionDenied},
        {"writable by others", fs::perms(01777), true, PortCode::PermissionDenied},
        {"another owner's", fs::perms(01770), false, PortCode::PermissionDenied},
    };
    for (const auto& c : cases) {
        const test::TempDir dir("kez-claims");
        const fs::path folder = dir / "claims";
        if (c.mode) {
            fs::create_directory(folder);
            fs::permissions(folder, *c.mode);
        }
        const uid_t owner = c.owned ? ::geteuid() : ::geteuid() + 1;
        const StationClaim made = claimStation(folder, 7, 1001, owner);
        EXPECT_EQ(made.status.code, c.code) << c.name;
        EXPECT_EQ(static_cast<bool>(made.lock), c.mode && c.code == PortCode::Ok) << c.name;
    }
    const test::TempDir dir("kez-claims");
    fs::create_directory(dir / "real");
    fs::permissions(dir / "real", fs::perms(01770));
    fs::create_directory_symlink(dir / "real", dir / "claims");
    EXPECT_FALSE(claimStation(dir / "claims", 7, 1001, ::geteuid()).status.ok()) << "a link to a folder";
}

} // namespace
} // namespace kez::net::detail
