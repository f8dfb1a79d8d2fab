#include "log_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "kez/sys/fd.h"

namespace kez::vb::detail {
namespace {

constexpr mode_t kPrivateBits = S_IRWXG | S_IRWXO;
// Another process turning the file over between our open and our lock sends us round once more.
constexpr int kAttempts = 4;

bool ownRegularFile(const struct stat& info) { return S_ISREG(info.st_mode) && info.st_uid == ::geteuid(); }

// A log the user made read-only (their own file) is made writable again, as the programs have always done;
// anyone else's file, and anything that is not a plain file, is left alone.
void clearReadOnly(int folder, const char* name) {
    struct stat info {};
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!ownRegularFile(info) || (info.st_mode & S_IWUSR) != 0) return;
    const sys::UniqueFd file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file) ::fchmod(file.get(), (info.st_mode & 07777) | S_IWUSR);
}

// The log opened for appending and locked; empty when it is not a plain file or cannot be opened. Non-blocking
// open: a FIFO put in its place must not hang the program.
sys::UniqueFd openLocked(int folder, const char* name, struct stat& info) {
    clearReadOnly(folder, name);
    sys::UniqueFd file(::openat(folder, name,
                                O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                                S_IRUSR | S_IWUSR));
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    // What the set logs (display lines, numbers) is the user's own: a log others could read is made private.
    if (info.st_uid == ::geteuid() && (info.st_mode & kPrivateBits) != 0)
        ::fchmod(file.get(), info.st_mode & 07777 & ~kPrivateBits);
    if (::flock(file.get(), LOCK_EX) != 0) return {};
    return file;
}

// Whether `name` still names the file we hold (no one turned it over while we waited for the lock).
bool stillNamed(int folder, const char* name, const struct stat& held) {
    struct stat now {};
    return ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == held.st_dev &&
           now.st_ino == held.st_ino;
}

} // namespace

bool appendToLog(const std::filesystem::path& file, std::string_view line, std::uint64_t capBytes) noexcept {
    try {
        const std::string name = file.filename().string();
        const std::string older = name + ".1";
        const auto parent = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
        const sys::UniqueFd folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder) return false;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            struct stat info {};
            const sys::UniqueFd log = openLocked(folder.get(), name.c_str(), info);
            if (!log) return false;
            if (!stillNamed(folder.get(), name.c_str(), info)) continue;
            const auto size = static_cast<std::uint64_t>(info.st_size);
            if (size > 0 && size + line.size() > capBytes) {
                if (::renameat(folder.get(), name.c_str(), folder.get(), older.c_str()) != 0) return false;
                continue;
            }
            // One write per line on an O_APPEND descriptor.
            return sys::writeAll(log.get(), line) == 0;
        }
        return false;
    } catch (...) {
        return false;
    }
}

} // namespace kez::vb::detail
