// kez-rawsock <adapter> <fd>: the one program that holds CAP_NET_RAW, a broker between one
// program and the adapter. It opens a packet socket for the adapter with a locked filter
// that passes only J5 frames that came in for this station, drops every capability, and
// then keeps the socket: over the Unix socket <fd> it answers the open, hands over a frame
// channel that carries the received frames, and serves the program's requests (send a J5
// frame from the adapter's own address, join or leave a multicast group or all-multicast)
// until the program closes its end. For as long, it holds the adapter's station claim for
// the calling user; another user's claim fails the open. It reads no environment and loads
// nothing but the C library and libcap.
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "broker.h"
#include "packet_socket.h"
#include "rawsock_protocol.h"
#include "station_claim.h"

namespace {

using kez::net::PortCode;
using kez::net::PortStatus;
using kez::net::detail::PacketSocket;
using kez::net::detail::RawsockOpened;
using kez::net::detail::StationClaim;
using kez::sys::UniqueFd;

constexpr int kUsage = 2;
// How long a send to the adapter, or an answer to the program, may wait for room.
constexpr timeval kSendLimit{2, 0};

bool parseChannel(std::string_view text, int& fd) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    return error == std::errc() && end == text.data() + text.size() && fd > STDERR_FILENO;
}

bool isUnixSequencedSocket(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) return false;
    int domain = 0;
    int type = 0;
    socklen_t length = sizeof domain;
    if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) != 0) return false;
    length = sizeof type;
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && domain == AF_UNIX && type == SOCK_SEQPACKET;
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

PortStatus limitSends(int fd) {
    if (::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &kSendLimit, sizeof kSendLimit) != 0) {
        return {PortCode::SystemError, errno};
    }
    return {};
}

// The program's end of the frame channel in `theirs`; the broker never reads its own end.
PortStatus makeFrameChannel(UniqueFd& ours, UniqueFd& theirs) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {PortCode::SystemError, errno};
    ours.reset(ends[0]);
    theirs.reset(ends[1]);
    ::shutdown(ours.get(), SHUT_RD);
    return {};
}

// The calling user's claim on the opened adapter; a refusal says who holds it.
StationClaim claimFor(const char* adapter, int ifindex) {
    StationClaim claim = kez::net::detail::claimStation(kez::net::claimsFolder(), ifindex, ::getuid());
    if (claim.status.code == PortCode::AdapterInUse) {
        std::fprintf(stderr, "kez-rawsock: %s\n", kez::net::detail::claimRefusal(adapter, claim.holder).c_str());
    }
    return claim;
}

bool sendOpened(int channel, const PacketSocket& opened, std::uint32_t holder, int frames) {
    RawsockOpened reply;
    reply.holder = holder;
    reply.code = static_cast<std::int32_t>(opened.status.code);
    reply.error = opened.status.error;
    reply.ifindex = opened.ifindex;
    std::copy(opened.mac.begin(), opened.mac.end(), reply.mac);
    iovec data{&reply, sizeof reply};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (frames >= 0) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &frames, sizeof frames);
    }
    return ::sendmsg(channel, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof reply);
}

} // namespace

int main(int argc, char** argv) {
    int channel = -1;
    if (argc != 3 || !parseChannel(argv[2], channel) || !isUnixSequencedSocket(channel)) {
        std::fputs("usage: kez-rawsock <adapter> <unix-seqpacket-socket-fd>\n", stderr);
        return kUsage;
    }
    closeOtherDescriptors(channel);
    // The calling user may not trace this process or read its memory: the socket stays here.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    PacketSocket opened = kez::net::detail::openPacketSocket(argv[1], kez::net::detail::SocketUse::Broker);
    if (const PortStatus dropped = dropCapabilities(); !dropped.ok()) opened.status = dropped;
    StationClaim claim;
    if (opened.status.ok()) {
        claim = claimFor(argv[1], opened.ifindex);
        opened.status = claim.status;
    }
    UniqueFd frames;
    UniqueFd programEnd;
    if (opened.status.ok()) opened.status = makeFrameChannel(frames, programEnd);
    if (opened.status.ok()) opened.status = limitSends(opened.fd.get());
    if (opened.status.ok()) opened.status = limitSends(channel);
    if (!opened.status.ok()) opened.fd.reset();
    const bool sent = sendOpened(channel, opened, claim.holder, opened.status.ok() ? programEnd.get() : -1);
    programEnd.reset();
    if (!sent || !opened.status.ok()) return 1;
    kez::rawsock::Broker(opened.fd.get(), channel, frames.get(), opened.ifindex).run();
    return 0;
}
