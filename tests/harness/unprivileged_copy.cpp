#include "unprivileged_copy.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "process.h"

namespace kez::test {
namespace fs = std::filesystem;

UnprivilegedCopy::UnprivilegedCopy(std::string_view prefix, std::initializer_list<fs::path> files) {
    struct statvfs mount {};
    fs::path base = fs::temp_directory_path();
    if (::statvfs(base.c_str(), &mount) != 0 || (mount.f_flag & ST_NOSUID) != 0) base = KEZ_BINARY_DIR;
    std::string pattern = (base / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    for (const fs::path& file : files)
        fs::copy_file(file, folder_ / file.filename());
}

UnprivilegedCopy::~UnprivilegedCopy() {
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

bool UnprivilegedCopy::copyAs(const fs::path& file, std::string_view name) const {
    std::error_code error;
    return !folder_.empty() && fs::copy_file(file, folder_ / name, error);
}

bool UnprivilegedCopy::grantCapability() const {
    return runCommand({"setcap", "cap_net_raw+ep", (folder_ / "kez-rawsock").string()}).ok();
}

} // namespace kez::test
