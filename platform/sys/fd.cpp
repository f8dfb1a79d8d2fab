#include "kez/sys/fd.h"

#include <unistd.h>

#include <cerrno>

namespace kez::sys {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return EIO;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace kez::sys
