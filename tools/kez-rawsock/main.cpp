// kez-rawsock <adapter> <fd>: the one program that holds CAP_NET_RAW. It opens a
// packet socket for the adapter with a locked filter that passes J5 frames only,
// drops every capability and hands the socket back over the Unix socket <fd>.
// It reads no environment and loads nothing but the C library and libcap.
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "packet_socket.h"
#include "rawsock_protocol.h"

namespace {

using kez::net::PortCode;
using kez::net::PortStatus;
using kez::net::detail::RawsockReply;

constexpr int kUsage = 2;

bool parseChannel(std::string_view text, int& fd) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    return error == std::errc() && end == text.data() + text.size() && fd > STDERR_FILENO;
}

bool isUnixSocket(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) return false;
    int domain = 0;
    socklen_t length = sizeof domain;
    return ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 && domain == AF_UNIX;
}

// Nothing the caller left open reaches the privileged part.
void closeOtherDescriptors(int keep) {
    if (keep > STDERR_FILENO + 1) ::syscall(SYS_close_range, STDERR_FILENO + 1, keep - 1, 0);
    ::syscall(SYS_close_range, keep + 1, ~0U, 0);
}

PortStatus dropCapabilities() {
    cap_t none = ::cap_init();
    if (none == nullptr) return {PortCode::SystemError, errno};
    const int result = ::cap_set_proc(none);
    const int error = errno;
    ::cap_free(none);
    if (result != 0) return {PortCode::SystemError, error};
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    return {};
}

bool sendReply(int channel, const PortStatus& status, int passed) {
    RawsockReply reply;
    reply.code = static_cast<std::int32_t>(status.code);
    reply.error = status.error;
    iovec data{&reply, sizeof reply};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (passed >= 0) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &passed, sizeof passed);
    }
    return ::sendmsg(channel, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof reply);
}

} // namespace

int main(int argc, char** argv) {
    int channel = -1;
    if (argc != 3 || !parseChannel(argv[2], channel) || !isUnixSocket(channel)) {
        std::fputs("usage: kez-rawsock <adapter> <unix-socket-fd>\n", stderr);
        return kUsage;
    }
    closeOtherDescriptors(channel);
    auto opened = kez::net::detail::openPacketSocket(argv[1], kez::net::detail::FilterLock::Locked);
    const PortStatus dropped = dropCapabilities();
    if (!dropped.ok()) {
        opened.fd.reset();
        opened.status = dropped;
    }
    const bool sent = sendReply(channel, opened.status, opened.status.ok() ? opened.fd.get() : -1);
    return sent && opened.status.ok() ? 0 : 1;
}
