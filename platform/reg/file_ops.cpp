#include "file_ops.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <thread>

namespace kez::reg {
namespace fs = std::filesystem;
namespace {

Status syncFolder(const fs::path& folder) {
    sys::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0) return statusFromErrno(errno);
    return Status::Ok;
}

// Where this process may set them: root keeps the owner, a group member keeps the group.
void copyRights(int fd, const FileStamp& replaced, mode_t mode) {
    if (!replaced.exists) {
        (void)::fchmod(fd, mode);
        return;
    }
    (void)::fchmod(fd, replaced.mode & 0777);
    if (::fchown(fd, replaced.owner, replaced.group) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), replaced.group);
}

Status writeTemp(const fs::path& temp, std::string_view content, const FileStamp& replaced, mode_t mode) {
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return statusFromErrno(errno);
    sys::UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (!fd) return statusFromErrno(errno);
    copyRights(fd.get(), replaced, mode);
    if (const int error = sys::writeAll(fd.get(), content); error != 0) return statusFromErrno(error);
    if (::fsync(fd.get()) != 0) return statusFromErrno(errno);
    if (::close(fd.release()) != 0) return statusFromErrno(errno);
    return Status::Ok;
}

std::string utcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

// rename without replacing; link + unlink where the file system lacks RENAME_NOREPLACE.
bool renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    return ::unlink(from.c_str()) == 0;
}

} // namespace

FileStamp stampOf(const struct stat& info) {
    return {true,
            info.st_dev,
            info.st_ino,
            info.st_size,
            static_cast<long long>(info.st_mtim.tv_sec),
            info.st_mtim.tv_nsec,
            static_cast<long long>(info.st_ctim.tv_sec),
            info.st_ctim.tv_nsec,
            info.st_mode,
            info.st_uid,
            info.st_gid};
}

FileStamp stampAt(const fs::path& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0 ? stampOf(info) : FileStamp{};
}

Status statusFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return Status::AccessDenied;
    case ENOENT: return Status::FileNotFound;
    default: return Status::IoFailed;
    }
}

bool readWhole(int fd, std::size_t limit, std::string& out) {
    out.clear();
    char buffer[65536];
    while (true) {
        const auto got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (out.size() + static_cast<std::size_t>(got) > limit) {
            errno = EFBIG;
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

Status replaceFile(const fs::path& file, const fs::path& temp, std::string_view content, const FileStamp& replaced,
                   mode_t mode) {
    auto status = writeTemp(temp, content, replaced, mode);
    if (status == Status::Ok && ::rename(temp.c_str(), file.c_str()) != 0) status = statusFromErrno(errno);
    if (status != Status::Ok) {
        ::unlink(temp.c_str());
        return status;
    }
    return syncFolder(file.parent_path());
}

Status moveAside(const fs::path& file, fs::path& movedTo) {
    const auto base = file.string() + ".damaged-" + utcStamp();
    for (int attempt = 0; attempt < 100; ++attempt) {
        movedTo = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        if (renameNoReplace(file, movedTo)) return syncFolder(file.parent_path());
        if (errno != EEXIST) break;
    }
    const int error = errno;
    movedTo.clear();
    return statusFromErrno(error);
}

bool folderWritable(const fs::path& folder) {
    fs::path existing = folder;
    std::error_code ignored;
    while (!existing.empty() && !fs::exists(existing, ignored)) {
        if (existing == existing.parent_path()) break;
        existing = existing.parent_path();
    }
    if (existing.empty()) existing = ".";
    return ::faccessat(AT_FDCWD, existing.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

Status FileLock::acquire(const fs::path& lockFile, mode_t mode, sys::Timeout wait, const fs::path& guarded,
                         FileLock& out) {
    sys::UniqueFd fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | kSafeOpenFlags, mode));
    if (!fd && errno == EACCES) fd = sys::UniqueFd(::open(lockFile.c_str(), O_RDONLY | kSafeOpenFlags));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0) return statusFromErrno(errno);
    if (!S_ISREG(info.st_mode)) return Status::IoFailed;
    // Whoever may open the lock file may hold it (a read is enough for flock): the umask or an earlier version
    // may have let everyone read it.
    if (info.st_uid == ::geteuid() && (info.st_mode & 0777) != mode) (void)::fchmod(fd.get(), mode);

    constexpr sys::Timeout kLongestPause{20};
    auto seen = stampAt(guarded);
    sys::Deadline deadline(wait);
    for (sys::Timeout pause{1};; pause = std::min(pause * 2, kLongestPause)) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) break;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return statusFromErrno(errno);
        if (const auto now = stampAt(guarded); now != seen) {
            seen = now;
            deadline = sys::Deadline(wait);
        }
        const auto left = deadline.left();
        if (left.count() == 0) return Status::LockTimeout;
        std::this_thread::sleep_for(std::min(pause, left));
    }
    out.fd_ = std::move(fd);
    return Status::Ok;
}

} // namespace kez::reg
