#include "station_claim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>

namespace kez::net::detail {
namespace {

namespace fs = std::filesystem;

StationClaim failed(PortCode code, int error) { return StationClaim{sys::UniqueFd(), portError(code, error), 0}; }

bool trustedFolder(int folder, uid_t owner) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == owner &&
           (status.st_mode & S_ISVTX) != 0 && (status.st_mode & S_IWOTH) == 0;
}

// The claims are locks on the root-owned folder itself, which no member may remove or change: a lock on a file a
// member made could be cut loose by unlinking that file. Each adapter, told apart by network namespace and index
// (names change, and repeat across namespaces), has its own 2^32 bytes of lock range, one byte per user id.
constexpr off_t kUsersPerAdapter = off_t{1} << 32;

bool adapterBase(int ifindex, off_t& base) {
    struct stat space {};
    if (::stat("/proc/thread-self/ns/net", &space) != 0) return false;
    // Within 2^30 adapters the last byte of a range stays below the largest offset; distinct indexes of one
    // namespace never share one.
    const std::uint64_t key =
        ((static_cast<std::uint64_t>(space.st_ino) * 0x9E3779B1u) ^ static_cast<std::uint32_t>(ifindex)) & 0x3FFFFFFFu;
    base = static_cast<off_t>(key) * kUsersPerAdapter;
    return true;
}

// A lock that another open file holds on `length` bytes of the adapter's range from `start`, and whose.
bool lockHolder(int folder, off_t base, off_t start, off_t length, std::uint32_t& holder) {
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = base + start;
    query.l_len = length;
    if (::fcntl(folder, F_OFD_GETLK, &query) != 0 || query.l_type == F_UNLCK) return false;
    holder = static_cast<std::uint32_t>(query.l_start - base);
    return true;
}

// Another user's lock on the adapter, if any: every byte of its range but that of `user` is probed.
bool otherHolder(int folder, off_t base, uid_t user, std::uint32_t& holder) {
    const auto at = static_cast<off_t>(user);
    return (user > 0 && lockHolder(folder, base, 0, at, holder)) ||
           lockHolder(folder, base, at + 1, kUsersPerAdapter - at - 1, holder);
}

} // namespace

StationClaim claimStation(const fs::path& folder, int ifindex, uid_t user, uid_t folderOwner) {
    StationClaim claim;
    claim.lock.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!claim.lock) {
        if (errno == ENOENT) return {};
        return failed(PortCode::SystemError, errno);
    }
    if (!trustedFolder(claim.lock.get(), folderOwner)) return failed(PortCode::PermissionDenied, EPERM);
    off_t base = 0;
    if (!adapterBase(ifindex, base)) return failed(PortCode::SystemError, errno);
    // Own lock first, then the look for others: of two users opening at once, one at least
    // sees the other.
    struct flock own {};
    own.l_type = F_RDLCK;
    own.l_whence = SEEK_SET;
    own.l_start = base + static_cast<off_t>(user);
    own.l_len = 1;
    const bool taken = ::fcntl(claim.lock.get(), F_OFD_SETLK, &own) == 0;
    if (!taken) lockHolder(claim.lock.get(), base, 0, kUsersPerAdapter, claim.holder);
    if (!taken || otherHolder(claim.lock.get(), base, user, claim.holder)) {
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
