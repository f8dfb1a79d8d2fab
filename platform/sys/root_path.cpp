#include "root_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kez::sys {
namespace {

namespace fs = std::filesystem;

bool rootAloneMayWrite(const struct stat& status) {
    return status.st_uid == 0 && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

int checkStatus(int fd, mode_t type) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return errno;
    return (status.st_mode & S_IFMT) == type && rootAloneMayWrite(status) ? 0 : EPERM;
}

// A symbolic link fails the open (ELOOP, or ENOTDIR where a folder is wanted): both are refusals.
int openComponent(int folder, const fs::path& name, int flags, UniqueFd& out) {
    if (name == "..") return EPERM;
    out = UniqueFd(::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (out) return 0;
    return errno == ELOOP || errno == ENOTDIR ? EPERM : errno;
}

} // namespace

int openRootProgram(const fs::path& program, UniqueFd& out) {
    if (!program.is_absolute() || !program.has_filename()) return EINVAL;
    UniqueFd folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return errno;
    if (const int error = checkStatus(folder.get(), S_IFDIR); error != 0) return error;
    const fs::path relative = program.relative_path();
    for (const fs::path& name : relative.parent_path()) {
        if (name.empty() || name == ".") continue;
        UniqueFd next;
        if (const int error = openComponent(folder.get(), name, O_PATH | O_DIRECTORY, next); error != 0) return error;
        if (const int error = checkStatus(next.get(), S_IFDIR); error != 0) return error;
        folder = std::move(next);
    }
    UniqueFd file;
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY;
    if (const int error = openComponent(folder.get(), relative.filename(), flags, file); error != 0) return error;
    if (const int error = checkStatus(file.get(), S_IFREG); error != 0) return error;
    out = std::move(file);
    return 0;
}

} // namespace kez::sys
