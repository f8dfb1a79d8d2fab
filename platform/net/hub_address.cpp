#include "hub_address.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace kez::net::detail {
namespace {

std::string hubFolderPath() {
    if (const char* runtime = ::secure_getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        return std::string(runtime) + "/kez-vhub";
    }
    return "/tmp/kez-vhub-" + std::to_string(::geteuid());
}

bool privateToThisUser(int folder) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

HubAddress hubAddress(std::string_view name, HubFolder use) {
    HubAddress hub;
    const std::string folder = hubFolderPath();
    if (use == HubFolder::Create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        hub.status = portError(PortCode::SystemError, errno);
        return hub;
    }
    hub.folder.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!hub.folder) {
        hub.status = portError(errno == ENOENT ? PortCode::NoSuchAdapter : PortCode::SystemError, errno);
        return hub;
    }
    if (!privateToThisUser(hub.folder.get())) {
        hub.status = portError(PortCode::PermissionDenied, EPERM);
        return hub;
    }
    // Through the descriptor: the folder checked is the folder used, and the path stays short.
    const std::string path = "/proc/self/fd/" + std::to_string(hub.folder.get()) + "/" + std::string(name);
    if (path.size() >= sizeof hub.address.sun_path) {
        hub.status = portError(PortCode::InvalidName, ENAMETOOLONG);
        return hub;
    }
    hub.address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), hub.address.sun_path);
    hub.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return hub;
}

} // namespace kez::net::detail
