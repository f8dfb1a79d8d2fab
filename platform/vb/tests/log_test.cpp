#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

TEST_F(Log, AppendsToWhatIsThere) {
    std::ofstream(file()) << std::string(100000, 'x') << '\n';
    LogFile log(file());
    ASSERT_TRUE(log.append("one", kWhen));
    ASSERT_TRUE(log.append("two", kWhen));
    const auto text = test::readFile(file());
    EXPECT_EQ(text.size(), 100001 + 2 * std::string("2026/03/05 21:07:09 - one\n").size());
    EXPECT_EQ(text.substr(100001), "2026/03/05 21:07:09 - one\n2026/03/05 21:07:09 - two\n");
}

TEST_F(Log, ControlBytesAndWhatIsNotUtf8AreWrittenEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"ERROR:  a [0H] - first\r\nsecond", "ERROR:  a [0H] - first\\x0D\\x0Asecond"},
        {std::string("nul\0tab\tdel\x7F"
                     "esc\x1B[2J",
                     19),
         "nul\\x00tab\\x09del\\x7Fesc\\x1B[2J"},
        {"lone C1 \x85, as UTF-8 \xC2\x9F", "lone C1 \\x85, as UTF-8 \\xC2\\x9F"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E \xC2\xA0 C:\\x",
         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E \xC2\xA0 C:\\x"},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80 cut \xE2\x82",
         "overlong \\xC0\\xAF surrogate \\xED\\xA0\\x80 cut \\xE2\\x82"},
    };
    for (const auto& [text, written] : cases) {
        fs::remove(file());
        ASSERT_TRUE(LogFile(file()).append(text, kWhen));
        EXPECT_EQ(test::readFile(file()), "2026/03/05 21:07:09 - " + written + "\n");
    }
}

TEST_F(Log, ALineRepeatedAtOnceIsWrittenOnceAndCountedWhenTheRunEnds) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"a", "a", "a", "b"}, {"a", "last line repeated 2 times", "b"}},
        {{"a", "b", "a", "a"}, {"a", "b", "a"}},
        {{"a", "a", "b", "b", "c"}, {"a", "last line repeated 1 times", "b", "last line repeated 1 times", "c"}},
    };
    for (const auto& [texts, written] : cases) {
        const test::TempDir folder("kez-log");
        for (const auto& text : texts)
            ASSERT_TRUE(LogFile(folder / kLogFileName).append(text, kWhen));
        std::vector<std::string> lines;
        for (const auto& line : linesOf(test::readFile(folder / kLogFileName)))
            lines.push_back(line.substr(22)); // after the stamp
        EXPECT_EQ(lines, written);
    }
}

TEST_F(Log, FloodsOfOneAndOfVaryingBadLinesStayUnderTheCapInTheLogAndItsOneOlderCopy) {
    const std::string bad = "moJ5Engine_DisplayUpdate: \x1B[31m" + std::string(200, '#');
    for (const bool varying : {false, true}) {
        const test::TempDir folder("kez-log");
        const auto log = folder / kLogFileName, older = folder / "Ombrel.log.1";
        for (int i = 0; i < 20000; ++i)
            LogFile(log).append(varying ? bad + std::to_string(i) : bad, kWhen);
        ASSERT_TRUE(LogFile(log).append("the end", kWhen));
        EXPECT_LE(fs::file_size(log), kLogCapBytes);
        EXPECT_EQ(fs::exists(older), varying) << "5 MiB of lines turned the file over";
        EXPECT_LE(fs::exists(older) ? fs::file_size(older) : 0, kLogCapBytes);
        const auto lines = linesOf(test::readFile(log));
        EXPECT_EQ(lines.size() == 3, !varying) << "one line, its count and the end";
        EXPECT_EQ(lines.back(), "2026/03/05 21:07:09 - the end");
    }
}

TEST_F(Log, ALinkOrFifoInThePlaceOfTheLogIsNotWrittenThrough) {
    std::ofstream(dir_ / "elsewhere") << "keep\n";
    const std::function<void()> placings[] = {
        [&] { fs::create_symlink(dir_ / "elsewhere", file()); },
        [&] { fs::create_symlink(dir_ / "made-by-link", file()); },
        [&] { ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0); },
    };
    int tried = 0; // each text differs from the one before: none is only counted
    for (const auto& place : placings) {
        fs::remove(file());
        place();
        EXPECT_FALSE(LogFile(file()).append("lost " + std::to_string(++tried), kWhen));
        EXPECT_EQ(test::readFile(dir_ / "elsewhere"), "keep\n");
        EXPECT_FALSE(fs::exists(dir_ / "made-by-link"));
    }
}

TEST_F(Log, TheLogIsPrivateToItsUserInAPrivateStateFolderAlsoWhenMadeWiderBefore) {
    const test::ScopedEnv state("XDG_STATE_HOME", dir_.path().string());
    const auto folder = dir_ / "kez-ombrel";
    for (const char* text : {"new", "widened"}) {
        ASSERT_TRUE(logMessage(text));
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(folder / kLogFileName).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(folder, fs::perms::all);
        fs::permissions(folder / kLogFileName, fs::perms(0644));
    }
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
    const std::string longText(500, 'p'); // each line differs from the one before: none is counted instead
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        children.push_back(test::forkChild([&] {
            LogFile log(file());
            for (int i = 0; i < kLines; ++i)
                log.append(longText + std::to_string(i % 2), kWhen);
            return 0;
        }));
        ASSERT_GE(children.back(), 0);
    }
    for (const pid_t pid : children)
        EXPECT_EQ(test::waitChild(pid), 0);
    const auto lines = linesOf(test::readFile(file()));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 * kLines));
    for (const auto& line : lines)
        EXPECT_TRUE(std::regex_match(line, std::regex("2026/03/05 21:07:09 - p{500}[01]"))) << line;
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
