#include "rawsock_client.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "packet_socket.h"
#include "port_lifecycle.h"

namespace kez::net::detail {
namespace {

using namespace std::chrono_literals;

constexpr int kOpenLimitMs = 10000;
constexpr auto kAnswerLimit = 5s;
constexpr auto kEndLimit = 1s;
constexpr int kMaxPassedFds = 4;

bool isExecutable(const std::filesystem::path& path) { return ::access(path.c_str(), X_OK) == 0; }

std::optional<std::filesystem::path> besideThisLibrary() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&findRawsockHelper), &info) == 0 || info.dli_fname == nullptr) {
        return std::nullopt;
    }
    auto candidate = std::filesystem::path(info.dli_fname).parent_path() / "kez-rawsock";
    if (!isExecutable(candidate)) return std::nullopt;
    return candidate;
}

std::optional<std::filesystem::path> besideThisProgram() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    auto candidate = program.parent_path() / "kez-rawsock";
    if (!isExecutable(candidate)) return std::nullopt;
    return candidate;
}

struct Received {
    RawsockOpened opened;
    std::vector<sys::UniqueFd> fds;
    bool complete = false;
};

Received receiveOpened(int channel) {
    Received received;
    pollfd waiting{channel, POLLIN, 0};
    if (::poll(&waiting, 1, kOpenLimitMs) <= 0) return received;
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int) * kMaxPassedFds)> control{};
    iovec data{&received.opened, sizeof received.opened};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t length = ::recvmsg(channel, &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
        const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
            received.fds.emplace_back(fd);
        }
    }
    received.complete = length == static_cast<ssize_t>(sizeof received.opened) &&
                        (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) == 0 && received.opened.magic == kRawsockMagic;
    return received;
}

bool isSocketOf(int fd, int domain, int type) {
    int value = 0;
    socklen_t length = sizeof value;
    if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &value, &length) != 0 || value != domain) return false;
    length = sizeof value;
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &value, &length) == 0 && value == type;
}

// What the broker reported; codes this side does not know count as the broker's failure.
PortStatus statusFrom(std::int32_t code, std::int32_t error) {
    const auto reported = static_cast<PortCode>(code);
    if (reported == PortCode::Ok) return {};
    const bool known = reported > PortCode::Ok && reported <= PortCode::AdapterInUse;
    return portError(known ? reported : PortCode::HelperFailed, error);
}

BrokerOpen failed(PortCode code, int error = 0) { return BrokerOpen{nullptr, sys::UniqueFd(), portError(code, error)}; }

PortStatus limitSends(int fd) {
    const timeval limit{std::chrono::duration_cast<std::chrono::seconds>(kAnswerLimit).count(), 0};
    if (::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    return {};
}

} // namespace

std::optional<std::filesystem::path> findRawsockHelper() {
    if (const char* configured = ::secure_getenv("KEZ_RAWSOCK"); configured != nullptr && *configured != '\0') {
        if (!isExecutable(configured)) return std::nullopt;
        return std::filesystem::path(configured);
    }
    if (auto helper = besideThisLibrary()) return helper;
    return besideThisProgram();
}

RawsockClient::RawsockClient(HelperProcess&& process, sys::UniqueFd requests, const RawsockOpened& opened)
    : process_(std::move(process)), requests_(std::move(requests)), ifindex_(opened.ifindex) {
    std::copy(std::begin(opened.mac), std::end(opened.mac), mac_.begin());
}

RawsockClient::~RawsockClient() {
    requests_.reset();
    process_.end(kEndLimit);
}

PortStatus RawsockClient::sendFrame(std::span<const std::uint8_t> frame, int closingFd) {
    RawsockRequest request;
    request.verb = static_cast<std::uint16_t>(RawsockVerb::Send);
    request.ifindex = ifindex_;
    return ask(request, frame, closingFd);
}

PortStatus RawsockClient::changeMembership(bool join, std::uint16_t membership, const MacAddress* group,
                                           int closingFd) {
    RawsockRequest request;
    request.verb = static_cast<std::uint16_t>(join ? RawsockVerb::Join : RawsockVerb::Leave);
    request.membership = membership;
    if (group != nullptr) std::copy(group->begin(), group->end(), request.group);
    return ask(request, {}, closingFd);
}

PortStatus RawsockClient::ask(RawsockRequest request, std::span<const std::uint8_t> payload, int closingFd) {
    std::lock_guard asking(askMutex_);
    request.sequence = ++sequence_;
    std::array<iovec, 2> parts{
        {{&request, sizeof request}, {const_cast<std::uint8_t*>(payload.data()), payload.size()}}};
    msghdr message{};
    message.msg_iov = parts.data();
    message.msg_iovlen = payload.empty() ? 1 : 2;
    if (::sendmsg(requests_.get(), &message, MSG_NOSIGNAL) < 0) {
        return portError(errno == EMSGSIZE ? PortCode::FrameTooLong : PortCode::HelperFailed, errno);
    }
    const sys::Deadline deadline(kAnswerLimit);
    for (;;) {
        int error = 0;
        switch (waitReadable(requests_.get(), closingFd, deadline, error)) {
        case Readiness::Closing: return portError(PortCode::NotOpen);
        case Readiness::Timeout: return portError(PortCode::HelperFailed, ETIMEDOUT);
        case Readiness::Failed: return portError(PortCode::SystemError, error);
        case Readiness::Ready: break;
        }
        RawsockAnswer answer;
        const ssize_t length = ::recv(requests_.get(), &answer, sizeof answer, MSG_DONTWAIT);
        if (length < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (length != static_cast<ssize_t>(sizeof answer)) {
            return portError(PortCode::HelperFailed, length < 0 ? errno : ECONNRESET);
        }
        // An answer to a request given up on comes late; it is not this one's.
        if (answer.sequence == request.sequence) return statusFrom(answer.code, answer.error);
    }
}

BrokerOpen openThroughBroker(std::string_view adapter) {
    if (auto status = checkAdapterName(adapter); !status.ok()) return failed(status.code);
    const auto helper = findRawsockHelper();
    if (!helper) return failed(PortCode::HelperUnavailable, ENOENT);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return failed(PortCode::SystemError, errno);
    sys::UniqueFd ours(ends[0]);
    sys::UniqueFd theirs(ends[1]);
    // Above the descriptor the helper expects, so that the dup2 always clears close-on-exec.
    sys::UniqueFd channel(::fcntl(theirs.get(), F_DUPFD_CLOEXEC, kRawsockChannelFd + 1));
    if (!channel) return failed(PortCode::SystemError, errno);
    theirs.reset();
    if (PortStatus status = limitSends(ours.get()); !status.ok()) return failed(status.code, status.error);

    HelperProcess process;
    if (const int error = process.spawn(*helper, adapter, channel.get(), kRawsockChannelFd); error != 0) {
        return failed(PortCode::HelperUnavailable, error);
    }
    channel.reset();
    Received received = receiveOpened(ours.get());
    if (!received.complete) return failed(PortCode::HelperFailed);
    if (PortStatus status = statusFrom(received.opened.code, received.opened.error); !status.ok()) {
        return failed(status.code, status.error);
    }
    if (received.fds.size() != 1 || !isSocketOf(received.fds.front().get(), AF_UNIX, SOCK_SEQPACKET)) {
        return failed(PortCode::HelperFailed);
    }
    BrokerOpen opened;
    opened.client = std::make_unique<RawsockClient>(std::move(process), std::move(ours), received.opened);
    opened.frames = std::move(received.fds.front());
    return opened;
}

} // namespace kez::net::detail
