#pragma once
// File capabilities in memory: who holds what, which files count as trusted, and failures to inject.
#include <map>
#include <set>
#include <string>

#include "kez/sys/file_caps.h"

namespace kez::setaid::test {

class FakeFileCaps final : public sys::FileCaps {
public:
    int grant(const std::filesystem::path& program, std::string_view capability, std::string_view group) override {
        if (const int error = checkTrusted(program); error != 0) return error;
        held.erase(program.string()); // a change of group clears the capability
        groups[program.string()] = std::string(group);
        if (const auto error = grantErrors.find(program.string()); error != grantErrors.end()) return error->second;
        held[program.string()] = std::string(capability);
        return 0;
    }
    int revoke(const std::filesystem::path& program) override {
        if (revokeError != 0) return revokeError;
        if (stopIgnored) return 0;
        return held.erase(program.string()) == 1 ? 0 : ENODATA;
    }
    bool has(const std::filesystem::path& program, std::string_view capability) override {
        const auto found = held.find(program.string());
        return found != held.end() && found->second == capability;
    }
    int checkTrusted(const std::filesystem::path& program) override {
        return untrusted.count(program.string()) != 0 ? EPERM : 0;
    }
    bool maySetCapabilities() override { return mayChange; }

    std::map<std::string, std::string> held;
    std::map<std::string, std::string> groups;
    std::set<std::string> untrusted;
    std::map<std::string, int> grantErrors;
    int revokeError = 0;
    bool stopIgnored = false; // revoke reports success, the capability stays
    bool mayChange = true;
};

} // namespace kez::setaid::test
