#include "kez/sys/trusted_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kez::sys {
namespace fs = std::filesystem;
namespace {

std::string failed(const fs::path& path, int error) { return path.string() + ": " + std::strerror(error); }

// Why a file or folder with this status may have been changed by someone untrusted; empty when it cannot.
std::string untrustedBecause(const fs::path& path, const struct stat& info) {
    if (info.st_uid != 0 && info.st_uid != ::geteuid()) return path.string() + ": not owned by root";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return path.string() + ": writable by others";
    return {};
}

UniqueFd openChecked(int at, const fs::path& path, const char* name, int flags, std::string& refusal, int& error) {
    UniqueFd fd(::openat(at, name, flags | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0) {
        error = errno;
        // O_NOFOLLOW meets a link as ELOOP (a file) or ENOTDIR (a folder opened as one).
        refusal = error == ELOOP || error == ENOTDIR ? path.string() + ": a symbolic link" : failed(path, error);
        return {};
    }
    const bool wantFolder = (flags & O_DIRECTORY) != 0;
    if (!wantFolder && !S_ISREG(info.st_mode)) {
        refusal = path.string() + ": not a regular file";
        return {};
    }
    refusal = untrustedBecause(path, info);
    return refusal.empty() ? std::move(fd) : UniqueFd();
}

} // namespace

fs::path TrustedFile::throughFolder() const { return fs::path("/proc/self/fd") / std::to_string(folder.get()) / name; }

TrustedFile openTrustedFile(const fs::path& path) {
    TrustedFile opened;
    if (!path.is_absolute() || !path.has_filename()) {
        opened.refusal = path.string() + ": not an absolute file name";
        opened.error = EINVAL;
        return opened;
    }
    const auto folder = path.parent_path();
    opened.folder = openChecked(AT_FDCWD, folder, folder.c_str(), O_PATH | O_DIRECTORY, opened.refusal, opened.error);
    if (!opened.folder) return opened;
    opened.name = path.filename().string();
    // O_NONBLOCK: a FIFO put in the file's place is refused without waiting for a writer.
    opened.file = openChecked(opened.folder.get(), path, opened.name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY,
                              opened.refusal, opened.error);
    return opened;
}

} // namespace kez::sys
