#include "root_owned_tmp.h"

#include "privileged.h"

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace kez::test {

std::optional<std::string> useRootOwnedTmp() {
    auto failed = [](const char* step) { return std::string(step) + ": " + std::strerror(errno); };
    if (::unshare(CLONE_NEWNS) != 0) return failed("unshare(CLONE_NEWNS)");
    // Nothing mounted here may reach the machine's own mount table.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return failed("making / private");
    if (::mount("tmpfs", "/tmp", "tmpfs", MS_NODEV, "mode=0755") != 0) return failed("mounting a tmpfs on /tmp");
    return std::nullopt;
}

std::optional<std::string> rootOwnedTmpForSuite() {
    static const std::optional<std::string> shortfall = [] {
        if (auto missing = privilegeShortfall()) return missing;
        return useRootOwnedTmp();
    }();
    return shortfall;
}

} // namespace kez::test
