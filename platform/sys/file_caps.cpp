#include "kez/sys/file_caps.h"

#include <grp.h>
#include <spawn.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "kez/sys/fd.h"
#include "root_path.h"

namespace kez::sys {
namespace {

namespace fs = std::filesystem;

// Run as root: by its own path and with an environment of our choosing, never the caller's PATH or variables.
constexpr const char* kGroupAdd = "/usr/sbin/groupadd";

// Frees a libcap object on every path.
struct CapHandle {
    cap_t caps;
    ~CapHandle() {
        if (caps != nullptr) ::cap_free(caps);
    }
};

int runGroupAdd(std::string_view group) {
    std::string program = kGroupAdd;
    std::string system = "--system";
    std::string name(group);
    char* argv[] = {program.data(), system.data(), name.data(), nullptr};
    std::string path = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    std::string locale = "LC_ALL=C";
    char* envp[] = {path.data(), locale.data(), nullptr};
    pid_t child = 0;
    if (const int error = ::posix_spawn(&child, kGroupAdd, nullptr, nullptr, argv, envp); error != 0) return error;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return errno;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : EPERM;
}

int groupId(std::string_view groupName, gid_t& out) {
    const std::string name(groupName);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const group* found = ::getgrnam(name.c_str())) {
            out = found->gr_gid;
            return 0;
        }
        if (attempt == 0) {
            if (const int error = runGroupAdd(groupName); error != 0) return error;
        }
    }
    return ENOENT;
}

// A file system mounted nosuid ignores file capabilities.
int honoursCapabilities(int fd) {
    struct statvfs mount {};
    if (::fstatvfs(fd, &mount) != 0) return errno;
    return (mount.f_flag & ST_NOSUID) != 0 ? EOPNOTSUPP : 0;
}

bool holds(int fd, cap_value_t value) {
    const CapHandle held{::cap_get_fd(fd)};
    if (held.caps == nullptr) return false;
    cap_flag_value_t effective = CAP_CLEAR;
    cap_flag_value_t permitted = CAP_CLEAR;
    ::cap_get_flag(held.caps, value, CAP_EFFECTIVE, &effective);
    ::cap_get_flag(held.caps, value, CAP_PERMITTED, &permitted);
    return effective == CAP_SET && permitted == CAP_SET;
}

class SystemFileCaps final : public FileCaps {
public:
    // Every change lands on the one descriptor that was checked: the owner and mode first, since a change of
    // owner or group clears file capabilities, the capability last.
    int grant(const fs::path& program, std::string_view capability, std::string_view group) override {
        const CapHandle caps{::cap_from_text((std::string(capability) + "=ep").c_str())};
        if (caps.caps == nullptr) return EINVAL;
        UniqueFd file;
        if (const int error = openRootProgram(program, file); error != 0) return error;
        if (const int error = honoursCapabilities(file.get()); error != 0) return error;
        gid_t gid = 0;
        if (const int error = groupId(group, gid); error != 0) return error;
        if (::fchown(file.get(), 0, gid) != 0) return errno;
        if (::fchmod(file.get(), 0750) != 0) return errno;
        return ::cap_set_fd(file.get(), caps.caps) == 0 ? 0 : errno;
    }

    int revoke(const fs::path& program) override {
        UniqueFd file;
        if (const int error = openRootProgram(program, file); error != 0) return error;
        const CapHandle held{::cap_get_fd(file.get())};
        if (held.caps == nullptr) return errno; // ENODATA: none held
        return ::cap_set_fd(file.get(), nullptr) == 0 ? 0 : errno;
    }

    bool has(const fs::path& program, std::string_view capability) override {
        cap_value_t value = 0;
        if (::cap_from_name(std::string(capability).c_str(), &value) != 0) return false;
        UniqueFd file;
        return openRootProgram(program, file) == 0 && holds(file.get(), value);
    }

    int checkTrusted(const fs::path& program) override {
        UniqueFd file;
        return openRootProgram(program, file);
    }

    bool maySetCapabilities() override {
        const CapHandle own{::cap_get_proc()};
        cap_flag_value_t effective = CAP_CLEAR;
        return own.caps != nullptr && ::cap_get_flag(own.caps, CAP_SETFCAP, CAP_EFFECTIVE, &effective) == 0 &&
               effective == CAP_SET;
    }
};

} // namespace

std::unique_ptr<FileCaps> makeSystemFileCaps() { return std::make_unique<SystemFileCaps>(); }

} // namespace kez::sys
