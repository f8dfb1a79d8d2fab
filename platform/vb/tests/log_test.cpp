#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kez/vb/log.h"
#include "process.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::vb {
namespace {

namespace fs = std::filesystem;
using kez::test::linesOf;

const DateTime kWhen{2026, 3, 5, 21, 7, 9};

class Log : public ::testing::Test {
protected:
    fs::path file() const { return dir_ / kLogFileName; }
    const test::TempDir dir_{"kez-log"};
};

TEST_F(Log, WritesTheStampSeparatorTextAndALineFeed) {
    ASSERT_TRUE(LogFile(file()).append("hello", kWhen));
    EXPECT_EQ(test::readFile(file()), "2026/03/05 21:07:09 - hello\n");
}

TEST_F(Log, AppendsToWhatIsThereAndNeverTrims) {
    std::ofstream(file()) << std::string(100000, 'x') << '\n';
    LogFile log(file());
    ASSERT_TRUE(log.append("one", kWhen));
    ASSERT_TRUE(log.append("two", kWhen));
    const auto text = test::readFile(file());
    EXPECT_EQ(text.size(), 100001 + 2 * std::string("2026/03/05 21:07:09 - one\n").size());
    EXPECT_EQ(text.substr(100001), "2026/03/05 21:07:09 - one\n2026/03/05 21:07:09 - two\n");
}

TEST_F(Log, TextIsWrittenAsItStands) {
    ASSERT_TRUE(LogFile(file()).append("ERROR:  a [0H] - first\r\nsecond", kWhen));
    EXPECT_EQ(test::readFile(file()), "2026/03/05 21:07:09 - ERROR:  a [0H] - first\r\nsecond\n");
}

TEST_F(Log, AReadOnlyLogIsMadeWritableAgain) {
    std::ofstream(file()) << "old\n";
    fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(LogFile(file()).append("new", kWhen));
    EXPECT_NE(fs::status(file()).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(test::readFile(file()), "old\n2026/03/05 21:07:09 - new\n");
}

TEST_F(Log, AnUnwritableLogReportsFalseWithoutThrowing) {
    fs::create_directories(file()); // a folder where the file should be
    EXPECT_FALSE(LogFile(file()).append("lost", kWhen));
    std::ofstream(dir_ / "plain") << "x";
    EXPECT_FALSE(LogFile(dir_ / "plain" / kLogFileName).append("lost"));
}

TEST_F(Log, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    LogFile log(file());
    {
        std::vector<std::jthread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; i < kLines; ++i)
                    log.append("thread " + std::to_string(t) + " line " + std::to_string(i));
            });
        }
    }
    const auto lines = linesOf(test::readFile(file()));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    const std::regex shape(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} - thread \d line \d+)");
    for (const auto& line : lines)
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

TEST_F(Log, LinesFromTwoProcessesStayWhole) {
    constexpr int kLines = 300;
    const std::string longText(500, 'p');
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        children.push_back(test::forkChild([&] {
            LogFile log(file());
            for (int i = 0; i < kLines; ++i)
                log.append(longText, kWhen);
            return 0;
        }));
        ASSERT_GE(children.back(), 0);
    }
    for (const pid_t pid : children)
        EXPECT_EQ(test::waitChild(pid), 0);
    const auto lines = linesOf(test::readFile(file()));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 * kLines));
    for (const auto& line : lines)
        EXPECT_EQ(line, "2026/03/05 21:07:09 - " + longText);
}

TEST_F(Log, ProgramLogLivesInTheStateFolderWithAPresentStamp) {
    std::vector<std::string> lines;
    {
        const test::ScopedEnv state("XDG_STATE_HOME", dir_.path().string());
        EXPECT_EQ(programLogPath(), dir_ / "kez-ombrel" / "Ombrel.log");
        EXPECT_TRUE(logMessage("started"));
        lines = linesOf(test::readFile(dir_ / "kez-ombrel" / "Ombrel.log"));
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} - started)"))) << lines[0];
}

TEST(ErrorLogText, FormatsNumberContextAndMessage) {
    EXPECT_EQ(errorLogText(0, "UIWrapperClass.bInitialize", "Overflow"),
              "ERROR:  UIWrapperClass.bInitialize [0H] - Overflow");
    EXPECT_EQ(errorLogText(static_cast<std::int32_t>(0x80044802u), "Internal engine error", "x"),
              "ERROR:  Internal engine error [80044802H] - x");
    EXPECT_EQ(errorLogText(380, "Form_Load", ""), "ERROR:  Form_Load [17CH] - ");
}

} // namespace
} // namespace kez::vb
