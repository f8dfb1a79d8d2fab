#include "ombrel_test_env.h"

#include <gtest/gtest.h>

#include <sstream>

#include "kez/vb/log.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::ombrel::test {

std::string OmbrelWorld::runFolder(const std::filesystem::path& world) {
    std::filesystem::create_directory(world / "run");
    std::filesystem::permissions(world / "run", std::filesystem::perms::owner_all);
    return (world / "run").string();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> OmbrelWorld::logTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : splitLines(kez::test::readFile(vb::programLogPath()))) {
        // "yyyy/mm/dd hh:nn:ss - " starts an entry; a line without it continues the one before.
        texts.push_back(line.size() >= 22 && line.compare(19, 3, " - ") == 0 ? line.substr(22) : line);
    }
    return texts;
}

std::vector<std::string> OmbrelWorld::boxLog() const { return splitLines(kez::test::readFile(folder() / "boxes.log")); }

std::string OmbrelWorld::exportSettings(const std::string& hive) const {
    const auto result = kez::test::runCommand({KEZREG_PATH, "export", hive + "\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

} // namespace kez::ombrel::test
