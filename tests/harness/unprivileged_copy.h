#pragma once
// Copies of programs and libraries in a fresh folder that the user nobody can reach
// (the build tree may not be), on a file system that honours file capabilities.
#include <filesystem>
#include <initializer_list>
#include <string_view>

#include "temp_dir.h"

namespace kez::test {

class UnprivilegedCopy {
public:
    // Throws when the copy cannot be made.
    UnprivilegedCopy(std::string_view prefix, std::initializer_list<std::filesystem::path> files);

    // Another copy of `file` under a name of its own.
    bool copyAs(const std::filesystem::path& file, std::string_view name) const;
    // Gives the copied kez-rawsock the raw-socket capability.
    bool grantCapability() const;
    const std::filesystem::path& folder() const { return folder_.path(); }

private:
    TempDir folder_;
};

} // namespace kez::test
