#pragma once
// A private world for one test: hives, state folder (the log), runtime folder (instance flags) and box log in
// one temporary folder, set in this process's environment so that the programs a test starts share it.
#include <filesystem>
#include <string>
#include <vector>

#include "scoped_registry.h"
#include "stub_programs.h"

namespace kez::ombrel::test {

class OmbrelWorld : public kez::test::ScopedRegistry {
public:
    // The log's entries without their time stamps; the lines KEZ_UI_BOX_LOG received.
    std::vector<std::string> logTexts() const;
    std::vector<std::string> boxLog() const;
    // `kezreg export` of the settings key of "HKLM" or "HKCU".
    std::string exportSettings(const std::string& hive) const;

private:
    // The runtime folder, made private to its owner as the instance flags require.
    static std::string runFolder(const std::filesystem::path& world);

    kez::test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", runFolder(folder())};
    kez::test::ScopedEnv state_{"XDG_STATE_HOME", (folder() / "state").string()};
    kez::test::ScopedEnv boxLog_{"KEZ_UI_BOX_LOG", (folder() / "boxes.log").string()};
    kez::test::ScopedEnv qtPlatform_{"QT_QPA_PLATFORM", "offscreen"};
};

// Each start of the stand-in `name`, as its arguments joined by blanks.
std::vector<std::string> starts(const kez::test::StubPrograms& programs, std::string_view name);

} // namespace kez::ombrel::test
