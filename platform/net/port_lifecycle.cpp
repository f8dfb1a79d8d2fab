#include "port_lifecycle.h"

#include <poll.h>
#include <sys/epoll.h>

#include <array>
#include <cerrno>

#include "kez/sys/wait.h"

namespace kez::net::detail {

namespace {

Readiness waitFor(int fd, short events, int closingFd, const sys::Deadline& deadline, int& error) {
    for (;;) {
        std::array<pollfd, 2> fds{{{closingFd, POLLIN, 0}, {fd, events, 0}}};
        const int ready = sys::pollUntil(fds, deadline);
        if (ready < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return Readiness::Failed;
        }
        if (ready == 0) return Readiness::Timeout;
        if (fds[0].revents != 0) return Readiness::Closing;
        return Readiness::Ready;
    }
}

} // namespace

Readiness waitReadable(int fd, int closingFd, const sys::Deadline& deadline, int& error) {
    return waitFor(fd, POLLIN, closingFd, deadline, error);
}

Readiness waitWritable(int fd, int closingFd, int& error) {
    return waitFor(fd, POLLOUT, closingFd, sys::Deadline(sys::kInfinite), error);
}

sys::UniqueFd makeReadinessFd(std::initializer_list<int> fds) {
    sys::UniqueFd epoll(::epoll_create1(EPOLL_CLOEXEC));
    if (!epoll) return epoll;
    for (const int fd : fds) {
        epoll_event interest{};
        interest.events = EPOLLIN;
        interest.data.fd = fd;
        if (::epoll_ctl(epoll.get(), EPOLL_CTL_ADD, fd, &interest) != 0) return sys::UniqueFd();
    }
    return epoll;
}

} // namespace kez::net::detail
