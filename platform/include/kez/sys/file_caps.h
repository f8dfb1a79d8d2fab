#pragma once
// File capabilities and the rights of the programs that carry them. Results are 0 or an errno.
#include <filesystem>
#include <memory>
#include <string_view>

namespace kez::sys {

class FileCaps {
public:
    virtual ~FileCaps() = default;

    // Every call opens the program once and acts on that descriptor only; a program that fails
    // checkTrusted is refused with its error and left as it was.

    // Gives the program owner root, group `group` (created as a system group when missing), mode 0750,
    // then `capability` ("cap_net_raw") as effective and permitted. A file system mounted nosuid
    // ignores file capabilities, so a grant there is refused with EOPNOTSUPP.
    virtual int grant(const std::filesystem::path& program, std::string_view capability, std::string_view group) = 0;
    // Removes every file capability; ENODATA when the program held none.
    virtual int revoke(const std::filesystem::path& program) = 0;
    // False also for a program that fails checkTrusted.
    virtual bool has(const std::filesystem::path& program, std::string_view capability) = 0;

    // 0 when the program is a regular file owned by root that nobody else may write, reached from `/`
    // through no symbolic link and only folders of root's that nobody else may write: the only kind
    // a capability may be given to or taken from. EPERM otherwise, EINVAL for a relative path.
    virtual int checkTrusted(const std::filesystem::path& program) = 0;
    // True when this process may set file capabilities (CAP_SETFCAP effective).
    virtual bool maySetCapabilities() = 0;
};

// The real facility: libcap, stat and chown.
std::unique_ptr<FileCaps> makeSystemFileCaps();

} // namespace kez::sys
