#include "kez/sys/fd.h"

#include <unistd.h>

namespace kez::sys {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

} // namespace kez::sys
