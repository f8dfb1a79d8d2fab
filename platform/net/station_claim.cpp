#include "station_claim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace kez::net::detail {
namespace {

namespace fs = std::filesystem;

// Members create claim files that every member may lock (the folder hands its group on).
constexpr mode_t kClaimFileMode = 0660;

StationClaim failed(PortCode code, int error) { return StationClaim{sys::UniqueFd(), portError(code, error), 0}; }

bool trustedFolder(int folder, uid_t owner) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == owner &&
           (status.st_mode & S_ISVTX) != 0 && (status.st_mode & S_IWOTH) == 0;
}

// Adapters are told apart by network namespace and index (names change, and repeat across namespaces).
bool claimName(int ifindex, std::string& name) {
    struct stat space {};
    if (::stat("/proc/thread-self/ns/net", &space) != 0) return false;
    name = std::to_string(space.st_ino) + "-" + std::to_string(ifindex);
    return true;
}

// Without O_CREAT first: a sticky folder may refuse O_CREAT on another user's file.
sys::UniqueFd openClaimFile(int folder, const std::string& name) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        sys::UniqueFd file(::openat(folder, name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (file || errno != ENOENT) return file;
        file.reset(::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kClaimFileMode));
        if (file) {
            ::fchmod(file.get(), kClaimFileMode); // past the umask
            return file;
        }
        if (errno != EEXIST) return file;
    }
    return sys::UniqueFd();
}

// A lock that another open file holds on the range (length 0: to the end), and where it starts.
bool lockHolder(int file, off_t start, off_t length, std::uint32_t& holder) {
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = start;
    query.l_len = length;
    if (::fcntl(file, F_OFD_GETLK, &query) != 0 || query.l_type == F_UNLCK) return false;
    holder = static_cast<std::uint32_t>(query.l_start);
    return true;
}

// Another user's lock on the file, if any: everything but the byte of `user` is probed.
bool otherHolder(int file, uid_t user, std::uint32_t& holder) {
    const auto at = static_cast<off_t>(user);
    return (user > 0 && lockHolder(file, 0, at, holder)) || lockHolder(file, at + 1, 0, holder);
}

} // namespace

StationClaim claimStation(const fs::path& folder, int ifindex, uid_t user, uid_t folderOwner) {
    const sys::UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!directory) {
        if (errno == ENOENT) return {};
        return failed(PortCode::SystemError, errno);
    }
    if (!trustedFolder(directory.get(), folderOwner)) return failed(PortCode::PermissionDenied, EPERM);
    std::string name;
    if (!claimName(ifindex, name)) return failed(PortCode::SystemError, errno);
    StationClaim claim;
    claim.lock = openClaimFile(directory.get(), name);
    if (!claim.lock) return failed(PortCode::SystemError, errno);
    // Own lock first, then the look for others: of two users opening at once, one at least
    // sees the other.
    struct flock own {};
    own.l_type = F_RDLCK;
    own.l_whence = SEEK_SET;
    own.l_start = static_cast<off_t>(user);
    own.l_len = 1;
    const bool taken = ::fcntl(claim.lock.get(), F_OFD_SETLK, &own) == 0;
    if (!taken) lockHolder(claim.lock.get(), 0, 0, claim.holder);
    if (!taken || otherHolder(claim.lock.get(), user, claim.holder)) {
        claim.lock.reset();
        claim.status = portError(PortCode::AdapterInUse, EBUSY);
    }
    return claim;
}

std::string claimRefusal(std::string_view adapter, std::uint32_t holder) {
    return "adapter " + std::string(adapter) + " is in use by another user (uid " + std::to_string(holder) + ")";
}

} // namespace kez::net::detail

namespace kez::net {

std::filesystem::path claimsFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string buildTree = std::string(KEZ_BINARY_DIR) + "/";
    if (!error && program.string().starts_with(buildTree)) return std::filesystem::path(KEZ_BUILD_CLAIMS_DIR);
    return std::filesystem::path(KEZ_INSTALLED_CLAIMS_DIR);
}

} // namespace kez::net
