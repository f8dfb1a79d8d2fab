// Write batches: a burst of writes is one save, other processes see the hive before or after it, failures stay
// visible. Saves are counted by the renames onto the hive file; other processes are kezreg runs.
#include "file_replacements.h"
#include "kez/reg/registry.h"
#include "kez/reg/write_batch.h"
#include "process.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kez::reg {
namespace {

class WriteBatchTest : public ::testing::Test {
protected:
    // The value as another process reads it; "missing" when it cannot.
    std::string seenElsewhere(const std::string& name) {
        const auto query = test::runCommand({KEZREG_PATH, "query", "HKLM\\Burst", name}, registry_.environment());
        return query.ok() ? query.out : "missing";
    }

    static std::string line(const std::string& name, const std::string& text) {
        return "\"" + name + "\"=sz:\"" + text + "\"\n";
    }

    Key burstKey() {
        Key key;
        EXPECT_EQ(Key::create(Hive::LocalMachine, "Burst", Access::ReadWrite, key), Status::Ok);
        return key;
    }

    test::ScopedRegistry registry_;
};

TEST_F(WriteBatchTest, ABurstIsOneSaveThatOtherProcessesSeeWhole) {
    struct Case {
        const char* name;
        int depth; // batches open around the burst
        int writes;
        int saves;
    };
    const Case cases[] = {
        {"no batch: a save per write", 0, 3, 3},
        {"one batch", 1, 300, 1},
        {"nested batches join the outermost", 3, 300, 1},
    };
    for (const auto& c : cases) {
        auto key = burstKey();
        ASSERT_EQ(key.setString("Mark", "old"), Status::Ok);
        test::FileReplacements saves(registry_.machineFile());
        std::vector<std::unique_ptr<WriteBatch>> batches;
        for (int i = 0; i < c.depth; ++i)
            batches.push_back(std::make_unique<WriteBatch>());
        for (int i = 0; i < c.writes - 1; ++i)
            ASSERT_EQ(key.setString("v" + std::to_string(i), c.name), Status::Ok) << c.name;
        ASSERT_EQ(key.setString("Mark", "new"), Status::Ok) << c.name;
        std::string text;
        EXPECT_EQ(key.getString("Mark", text), Status::Ok);
        EXPECT_EQ(text, "new") << c.name;
        while (!batches.empty()) {
            EXPECT_EQ(saves.count(), 0) << c.name;
            EXPECT_EQ(seenElsewhere("Mark"), line("Mark", "old")) << c.name;
            EXPECT_EQ(seenElsewhere("v0"), "missing") << c.name;
            EXPECT_EQ(batches.back()->commit(), Status::Ok) << c.name;
            batches.pop_back();
        }
        EXPECT_EQ(saves.count(), c.saves) << c.name;
        EXPECT_EQ(seenElsewhere("Mark"), line("Mark", "new")) << c.name;
        EXPECT_EQ(seenElsewhere("v" + std::to_string(c.writes - 2)), line("v" + std::to_string(c.writes - 2), c.name))
            << c.name;
        ASSERT_EQ(Key::deleteTree(Hive::LocalMachine, "Burst"), Status::Ok);
    }
}

TEST_F(WriteBatchTest, RewritingWhatIsThereSavesNothing) {
    auto key = burstKey();
    ASSERT_EQ(key.setString("Label", "Line 1"), Status::Ok);
    test::FileReplacements saves(registry_.machineFile());
    for (const bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "in a batch" : "alone");
        std::optional<WriteBatch> batch;
        if (batched) batch.emplace();
        Key again;
        ASSERT_EQ(Key::create(Hive::LocalMachine, "Burst", Access::ReadWrite, again), Status::Ok);
        ASSERT_EQ(again.setString("Label", "Line 1"), Status::Ok);
    }
    EXPECT_EQ(saves.count(), 0);
}

// A listing taken before a value goes and another comes (the count unchanged) must not show the one gone.
TEST_F(WriteBatchTest, ListingsFollowTheBurstsChanges) {
    auto key = burstKey();
    WriteBatch batch;
    ASSERT_EQ(key.setString("a", "1"), Status::Ok);
    ASSERT_EQ(key.setString("b", "2"), Status::Ok);
    std::string name;
    ASSERT_EQ(key.enumValue(0, name), Status::Ok);
    EXPECT_EQ(name, "a");
    ASSERT_EQ(key.deleteValue("a"), Status::Ok);
    ASSERT_EQ(key.setString("c", "3"), Status::Ok);
    std::vector<std::string> listed;
    for (std::uint32_t i = 0; key.enumValue(i, name) == Status::Ok; ++i)
        listed.push_back(name);
    EXPECT_EQ(listed, (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(batch.commit(), Status::Ok);
}

TEST_F(WriteBatchTest, ASaveThatFailsAtTheEndIsReported) {
    for (const bool explicitCommit : {true, false}) {
        auto key = burstKey();
        testing::internal::CaptureStderr();
        {
            WriteBatch batch;
            ASSERT_EQ(key.setString("Lost", "1"), Status::Ok);
            // The save's temporary file cannot be made.
            std::filesystem::create_directories(registry_.folder() / "machine.reg.tmp" / "in-the-way");
            if (explicitCommit) {
                EXPECT_EQ(batch.commit(), Status::IoFailed);
            }
        }
        const auto logged = testing::internal::GetCapturedStderr();
        std::filesystem::remove_all(registry_.folder() / "machine.reg.tmp");
        const auto report = logged.find("saving a batch of writes failed (hive file input/output failed)");
        EXPECT_EQ(report == std::string::npos, explicitCommit) << logged;
        EXPECT_EQ(logged.find("saving a batch", report + 1), std::string::npos) << "reported once: " << logged;
        // Reads show the file again.
        std::string text;
        EXPECT_EQ(key.getString("Lost", text), Status::FileNotFound);
        EXPECT_EQ(seenElsewhere("Lost"), "missing");
    }
}

TEST_F(WriteBatchTest, AReadOnlyHiveRefusesTheFirstWriteOfABurst) {
    setReadOnly(Hive::LocalMachine, true);
    WriteBatch batch;
    Key key;
    EXPECT_EQ(Key::create(Hive::LocalMachine, "Burst", Access::ReadWrite, key), Status::AccessDenied);
    setReadOnly(Hive::LocalMachine, false);
    EXPECT_EQ(Key::create(Hive::LocalMachine, "Burst", Access::ReadWrite, key), Status::Ok);
    EXPECT_EQ(batch.commit(), Status::Ok);
    EXPECT_NE(test::readFile(registry_.machineFile()).find("[Burst]"), std::string::npos);
}

// Another thread's write never waits for the burst. It is judged on the tree it reads: saved at once when the
// saved hive has its key, else with the burst that made the key.
TEST_F(WriteBatchTest, AnotherThreadsWriteIsKeptByTheBurst) {
    const struct {
        const char* what;
        bool otherInABatch, keyMadeInTheBurst;
        int savesBeforeCommit;
    } cases[] = {
        {"alone", false, false, 1},
        {"in its own batch", true, false, 1},
        {"to a key the burst made", false, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.keyMadeInTheBurst) burstKey();
        test::FileReplacements saves(registry_.machineFile());
        WriteBatch batch;
        ASSERT_EQ(burstKey().setString("Mine", "1"), Status::Ok);
        Status theirs = Status::IoFailed;
        std::thread other([&] {
            std::unique_ptr<WriteBatch> own;
            if (c.otherInABatch) own = std::make_unique<WriteBatch>();
            Key same;
            theirs = Key::open(Hive::LocalMachine, "Burst", Access::Write, same);
            if (theirs == Status::Ok) theirs = same.setString("Theirs", "2");
        });
        other.join();
        EXPECT_EQ(theirs, Status::Ok);
        EXPECT_EQ(saves.count(), c.savesBeforeCommit);
        EXPECT_EQ(seenElsewhere("Theirs"), c.savesBeforeCommit == 1 ? line("Theirs", "2") : "missing");
        EXPECT_EQ(seenElsewhere("Mine"), "missing");
        ASSERT_EQ(batch.commit(), Status::Ok);
        EXPECT_EQ(saves.count(), c.savesBeforeCommit + 1);
        EXPECT_EQ(seenElsewhere("Theirs"), line("Theirs", "2"));
        EXPECT_EQ(seenElsewhere("Mine"), line("Mine", "1"));
        ASSERT_EQ(Key::deleteTree(Hive::LocalMachine, "Burst"), Status::Ok);
    }
}

} // namespace
} // namespace kez::reg
