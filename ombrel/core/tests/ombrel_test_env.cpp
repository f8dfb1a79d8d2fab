#include "ombrel_test_env.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <sstream>

#include "kez/vb/log.h"

namespace kez::ombrel::test {

OmbrelWorld::OmbrelWorld() {
    for (const auto& entry : environment()) {
        const auto equals = entry.find('=');
        ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    std::filesystem::create_directory(folder() / "run");
    std::filesystem::permissions(folder() / "run", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (folder() / "run").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (folder() / "state").c_str(), 1);
    ::setenv("KEZ_UI_BOX_LOG", (folder() / "boxes.log").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Later tests and the programs they start must not find this world's deleted folders.
OmbrelWorld::~OmbrelWorld() {
    for (const char* name : {"KEZ_REGISTRY_DIR", "XDG_CONFIG_HOME", "KEZ_REGISTRY_READONLY", "XDG_RUNTIME_DIR",
                             "XDG_STATE_HOME", "KEZ_UI_BOX_LOG"})
        ::unsetenv(name);
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
    for (const auto& line : splitLines(reg::test::readFile(vb::programLogPath()))) {
        // "yyyy/mm/dd hh:nn:ss - " starts an entry; a line without it continues the one before.
        texts.push_back(line.size() >= 22 && line.compare(19, 3, " - ") == 0 ? line.substr(22) : line);
    }
    return texts;
}

std::vector<std::string> OmbrelWorld::boxLog() const { return splitLines(reg::test::readFile(folder() / "boxes.log")); }

std::string OmbrelWorld::exportSettings(const std::string& hive) const {
    const auto result = reg::test::runProcess({KEZREG_PATH, "export", hive + "\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

} // namespace kez::ombrel::test
