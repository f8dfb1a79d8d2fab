#include "kez/sys/file_caps.h"

#include <fcntl.h>
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

extern char** environ;

namespace kez::sys {
namespace {

namespace fs = std::filesystem;

// Frees a libcap object on every path.
struct CapHandle {
    cap_t caps;
    ~CapHandle() {
        if (caps != nullptr) ::cap_free(caps);
    }
};

int openProgram(const fs::path& program, UniqueFd& out) {
    out = UniqueFd(::open(program.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    return out ? 0 : errno;
}

int trustedStatus(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return errno;
    const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return S_ISREG(status.st_mode) && status.st_uid == 0 && !othersMayWrite ? 0 : EPERM;
}

int runGroupAdd(std::string_view group) {
    std::string name(group);
    std::string command = "groupadd";
    std::string system = "--system";
    char* argv[] = {command.data(), system.data(), name.data(), nullptr};
    pid_t child = 0;
    if (const int error = ::posix_spawnp(&child, "groupadd", nullptr, nullptr, argv, environ); error != 0) {
        return error;
    }
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

class SystemFileCaps final : public FileCaps {
public:
    int grant(const fs::path& program, std::string_view capability) override {
        UniqueFd file;
        if (const int error = openProgram(program, file); error != 0) return error;
        struct statvfs mount {};
        if (::fstatvfs(file.get(), &mount) != 0) return errno;
        if ((mount.f_flag & ST_NOSUID) != 0) return EOPNOTSUPP;
        const CapHandle caps{::cap_from_text((std::string(capability) + "=ep").c_str())};
        if (caps.caps == nullptr) return EINVAL;
        return ::cap_set_fd(file.get(), caps.caps) == 0 ? 0 : errno;
    }

    int revoke(const fs::path& program) override {
        UniqueFd file;
        if (const int error = openProgram(program, file); error != 0) return error;
        const CapHandle held{::cap_get_fd(file.get())};
        if (held.caps == nullptr) return errno; // ENODATA: none held
        return ::cap_set_fd(file.get(), nullptr) == 0 ? 0 : errno;
    }

    bool has(const fs::path& program, std::string_view capability) override {
        cap_value_t value = 0;
        if (::cap_from_name(std::string(capability).c_str(), &value) != 0) return false;
        const CapHandle held{::cap_get_file(program.c_str())};
        if (held.caps == nullptr) return false;
        cap_flag_value_t effective = CAP_CLEAR;
        cap_flag_value_t permitted = CAP_CLEAR;
        ::cap_get_flag(held.caps, value, CAP_EFFECTIVE, &effective);
        ::cap_get_flag(held.caps, value, CAP_PERMITTED, &permitted);
        return effective == CAP_SET && permitted == CAP_SET;
    }

    int checkTrusted(const fs::path& program) override {
        UniqueFd file;
        if (const int error = openProgram(program, file); error != 0) return error == ELOOP ? EPERM : error;
        return trustedStatus(file.get());
    }

    int restrictToGroup(const fs::path& program, std::string_view group) override {
        UniqueFd file;
        if (const int error = openProgram(program, file); error != 0) return error;
        if (const int error = trustedStatus(file.get()); error != 0) return error;
        gid_t gid = 0;
        if (const int error = groupId(group, gid); error != 0) return error;
        if (::fchown(file.get(), 0, gid) != 0) return errno;
        return ::fchmod(file.get(), 0750) == 0 ? 0 : errno;
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
