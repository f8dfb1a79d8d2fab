#include "rawsock_client.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kez/sys/fd.h"
#include "rawsock_protocol.h"

namespace kez::net::detail {
namespace {

constexpr int kReplyLimitMs = 10000;
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

// The helper's process; killed and reaped if it has not been reaped when this ends.
class HelperProcess {
public:
    HelperProcess() = default;
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    ~HelperProcess() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        reap();
    }

    int spawn(const std::filesystem::path& helper, std::string_view adapter, int channel) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, channel, kRawsockChannelFd);
        std::string program = helper.string();
        std::string name(adapter);
        std::string channelText = std::to_string(kRawsockChannelFd);
        std::array<char*, 4> argv{program.data(), name.data(), channelText.data(), nullptr};
        std::array<char*, 1> environment{nullptr};
        const int error = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environment.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) pid_ = 0;
        return error;
    }

    void reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
};

struct Received {
    RawsockReply reply;
    std::vector<sys::UniqueFd> fds;
    bool complete = false;
};

Received receiveReply(int channel) {
    Received received;
    pollfd waiting{channel, POLLIN, 0};
    if (::poll(&waiting, 1, kReplyLimitMs) <= 0) return received;
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int) * kMaxPassedFds)> control{};
    iovec data{&received.reply, sizeof received.reply};
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
    received.complete = length == static_cast<ssize_t>(sizeof received.reply) &&
                        (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) == 0 && received.reply.magic == kRawsockMagic;
    return received;
}

bool isRawPacketSocket(int fd) {
    int domain = 0;
    int type = 0;
    socklen_t length = sizeof domain;
    if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) != 0) return false;
    length = sizeof type;
    if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0) return false;
    return domain == AF_PACKET && type == SOCK_RAW;
}

PacketSocket failed(PortCode code, int error = 0) { return PacketSocket{sys::UniqueFd(), portError(code, error)}; }

PacketSocket fromReply(Received received) {
    if (!received.complete) return failed(PortCode::HelperFailed);
    const auto code = static_cast<PortCode>(received.reply.code);
    if (code != PortCode::Ok) {
        const bool known = code > PortCode::Ok && code <= PortCode::SystemError;
        return failed(known ? code : PortCode::HelperFailed, received.reply.error);
    }
    if (received.fds.size() != 1 || !isRawPacketSocket(received.fds.front().get())) {
        return failed(PortCode::HelperFailed);
    }
    return PacketSocket{std::move(received.fds.front()), {}};
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

PacketSocket openThroughHelper(std::string_view adapter) {
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

    HelperProcess process;
    if (const int error = process.spawn(*helper, adapter, channel.get()); error != 0) {
        return failed(PortCode::HelperUnavailable, error);
    }
    channel.reset();
    PacketSocket result = fromReply(receiveReply(ours.get()));
    if (result.status.ok()) process.reap();
    return result;
}

} // namespace kez::net::detail
