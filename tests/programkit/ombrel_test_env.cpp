#include "ombrel_test_env.h"

#include <gtest/gtest.h>

#include "kez/vb/log.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::ombrel::test {

std::string OmbrelWorld::runFolder(const std::filesystem::path& world) {
    std::filesystem::create_directory(world / "run");
    std::filesystem::permissions(world / "run", std::filesystem::perms::owner_all);
    return (world / "run").string();
}

std::vector<std::string> OmbrelWorld::logTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : kez::test::linesOf(kez::test::readFile(vb::programLogPath()))) {
        // "yyyy/mm/dd hh:nn:ss - " starts an entry; a line without it continues the one before.
        texts.push_back(line.size() >= 22 && line.compare(19, 3, " - ") == 0 ? line.substr(22) : line);
    }
    return texts;
}

std::vector<std::string> OmbrelWorld::boxLog() const {
    return kez::test::linesOf(kez::test::readFile(folder() / "boxes.log"));
}

std::string OmbrelWorld::exportSettings(const std::string& hive) const {
    const auto result = kez::test::runCommand({KEZREG_PATH, "export", hive + "\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

std::vector<std::string> starts(const kez::test::StubPrograms& programs, std::string_view name) {
    std::vector<std::string> lines;
    for (const auto& arguments : programs.calls(name)) {
        std::string line;
        for (const auto& argument : arguments)
            line += (line.empty() ? "" : " ") + argument;
        lines.push_back(line);
    }
    return lines;
}

} // namespace kez::ombrel::test
