#include "unprivileged_copy.h"

#include <sys/statvfs.h>

#include "process.h"

namespace kez::test {
namespace fs = std::filesystem;
namespace {

// The temporary folder, unless it is mounted nosuid (file capabilities would not count there).
fs::path capableBase() {
    struct statvfs mount {};
    const fs::path base = fs::temp_directory_path();
    if (::statvfs(base.c_str(), &mount) != 0 || (mount.f_flag & ST_NOSUID) != 0) return KEZ_BINARY_DIR;
    return base;
}

} // namespace

UnprivilegedCopy::UnprivilegedCopy(std::string_view prefix, std::initializer_list<fs::path> files)
    : folder_(prefix, capableBase()) {
    fs::permissions(folder_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    for (const fs::path& file : files)
        fs::copy_file(file, folder_ / file.filename().string());
}

bool UnprivilegedCopy::copyAs(const fs::path& file, std::string_view name) const {
    std::error_code error;
    return fs::copy_file(file, folder_ / name, error);
}

bool UnprivilegedCopy::grantCapability() const {
    return runCommand({"setcap", "cap_net_raw+ep", (folder_ / "kez-rawsock").string()}).ok();
}

} // namespace kez::test
