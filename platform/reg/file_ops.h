#pragma once
// File primitives of the hive store: identity stamps, whole reads, atomic replacement, moving aside.
#include "kez/reg/status.h"
#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kez::reg {

// Flags for opening hive and lock files: never through a symbolic link, never waiting on a FIFO's writer, never
// taking a terminal; what was opened is checked with fstat before use.
inline constexpr int kSafeOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// What tells that a file was replaced or changed since it was read, and the rights a save keeps.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long changedNanoseconds = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& info);
// The stamp of the name itself (a link is not followed); `exists` false when there is nothing or lstat fails.
FileStamp stampAt(const std::filesystem::path& file);

Status statusFromErrno(int error);

// Reads the whole file; false when it is longer than `limit` bytes (errno EFBIG) or a read fails.
bool readWhole(int fd, std::size_t limit, std::string& out);

// Writes `content` to `temp` (created afresh), syncs it, renames it over `file` and syncs the folder. The new
// file keeps the permission bits, owner and group of `replaced` (as read through the descriptor of the file that
// was loaded) where this process may set them; without one it gets `mode`.
Status replaceFile(const std::filesystem::path& file, const std::filesystem::path& temp, std::string_view content,
                   const FileStamp& replaced, mode_t mode);

// Renames `file` to `<file>.damaged-<UTC time>[-n]`, never replacing an existing file.
Status moveAside(const std::filesystem::path& file, std::filesystem::path& movedTo);

// True when this process may create and replace files in `folder`, or could create it.
bool folderWritable(const std::filesystem::path& folder);

// An exclusive flock on a lock file, held for the object's life.
class FileLock {
public:
    // Creates the lock file with `mode` when it is missing (and sets `mode` on one of this user's that has other
    // rights); refuses anything but a regular file. Gives LockTimeout when the lock stays taken for `wait` while
    // `guarded` does not change: writers that take turns saving it never time out, a holder that does nothing does.
    static Status acquire(const std::filesystem::path& lockFile, mode_t mode, sys::Timeout wait,
                          const std::filesystem::path& guarded, FileLock& out);

private:
    sys::UniqueFd fd_;
};

} // namespace kez::reg
