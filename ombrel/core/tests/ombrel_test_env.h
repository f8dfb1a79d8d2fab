#pragma once
// A private world for one test: hives, state folder (the log), runtime folder (instance flags) and box log in
// one temporary folder, set in this process's environment so that the programs a test starts share it.
#include <string>
#include <vector>

#include "reg_test_support.h"

namespace kez::ombrel::test {

class OmbrelWorld : public reg::test::ScopedRegistry {
public:
    OmbrelWorld();
    ~OmbrelWorld();
    // The log's entries without their time stamps; the lines KEZ_UI_BOX_LOG received.
    std::vector<std::string> logTexts() const;
    std::vector<std::string> boxLog() const;
    // `kezreg export` of the settings key of "HKLM" or "HKCU".
    std::string exportSettings(const std::string& hive) const;
};

std::vector<std::string> splitLines(const std::string& text);

} // namespace kez::ombrel::test
