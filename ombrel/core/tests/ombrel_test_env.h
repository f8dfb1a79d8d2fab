#pragma once
// A private world for the tests of the programs' core: hives, state folder (the log), runtime folder (the
// instance flags) and box log in one temporary folder, set in this process's environment so that the
// programs a test starts share it.
#include <filesystem>
#include <string>
#include <vector>

#include "reg_test_support.h"

namespace kez::ombrel::test {

class OmbrelWorld {
public:
    OmbrelWorld();
    ~OmbrelWorld();
    OmbrelWorld(const OmbrelWorld&) = delete;
    OmbrelWorld& operator=(const OmbrelWorld&) = delete;

    const std::filesystem::path& folder() const { return registry_.folder(); }
    const reg::test::ScopedRegistry& registry() const { return registry_; }
    // The texts of the log's entries, without their time stamps.
    std::vector<std::string> logTexts() const;
    // The lines KEZ_UI_BOX_LOG received.
    std::vector<std::string> boxLog() const;
    // `kezreg export` of the settings key of "HKLM" or "HKCU".
    std::string exportSettings(const std::string& hive) const;

private:
    reg::test::ScopedRegistry registry_;
};

std::vector<std::string> splitLines(const std::string& text);

} // namespace kez::ombrel::test
