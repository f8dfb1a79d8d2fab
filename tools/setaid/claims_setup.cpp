// The folder where brokers claim adapters, one user at a time, by locks on the folder itself:
// root's, so that no member removes or changes it, its group the set's, whose members open it.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "kez/sys/fd.h"
#include "packet_driver.h"

namespace kez::setaid {
namespace {

constexpr mode_t kParentMode = 0755;
constexpr mode_t kClaimsMode = S_ISGID | S_ISVTX | 0770;

int groupId(std::string_view name, gid_t& gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    const int error = ::getgrnam_r(std::string(name).c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (error != 0) return error;
    if (found == nullptr) return ENOENT;
    gid = found->gr_gid;
    return 0;
}

bool madeOrPresent(const std::filesystem::path& folder, mode_t mode) {
    return ::mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

} // namespace

std::int32_t makeClaimsFolder(const std::filesystem::path& folder, std::string_view group) {
    gid_t gid = 0;
    if (const int error = groupId(group, gid); error != 0) return error;
    if (!madeOrPresent(folder.parent_path(), kParentMode) || !madeOrPresent(folder, 0700)) return errno;
    const sys::UniqueFd opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened) return errno;
    if (::fchown(opened.get(), 0, gid) != 0 || ::fchmod(opened.get(), kClaimsMode) != 0) return errno;
    return 0;
}

void removeClaimsFolder(const std::filesystem::path& folder) {
    // Anything left in it keeps the folder.
    if (!folder.empty()) ::rmdir(folder.c_str());
}

} // namespace kez::setaid
