#include "connect_probe.h"

#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kez::corvane {
namespace {

ProbeResult failed(const char* what, int error) { return {ProbeResult::Kind::Failed, {}, what, error}; }

ProbeResult localAddressOf(int socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return failed("getsockname failed", errno);
    ProbeResult result{ProbeResult::Kind::Connected, {}, {}, 0};
    std::memcpy(result.local.data(), &local.sin_addr.s_addr, result.local.size());
    return result;
}

} // namespace

ProbeResult ConnectProbe::start(const Ipv4& server, std::uint16_t port, std::function<void(const ProbeResult&)> done) {
    cancel();
    socket_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket_) return failed("socket error", errno);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    std::memcpy(&address.sin_addr.s_addr, server.data(), server.size());
    if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        ProbeResult result = localAddressOf(socket_.get());
        socket_.reset();
        return result;
    }
    if (errno != EINPROGRESS) {
        const int error = errno;
        socket_.reset();
        return failed("connect failed", error);
    }
    cancel_.reset(::eventfd(0, EFD_CLOEXEC));
    if (!cancel_) {
        const int error = errno;
        socket_.reset();
        return failed("Auto IP Event Create failure", error);
    }
    try {
        thread_ = std::thread([this, done = std::move(done)] {
            ::pthread_setname_np(::pthread_self(), "Auto IP");
            wait(done);
        });
    } catch (const std::system_error& e) {
        socket_.reset();
        cancel_.reset();
        return failed("Auto IP Thread Create failure", e.code().value());
    }
    return {ProbeResult::Kind::Pending, {}, {}, 0};
}

void ConnectProbe::wait(const std::function<void(const ProbeResult&)>& done) {
    pollfd waits[] = {{socket_.get(), POLLOUT, 0}, {cancel_.get(), POLLIN, 0}};
    while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
    }
    if (waits[1].revents != 0) return;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    done(error != 0 ? failed("connect failed", error) : localAddressOf(socket_.get()));
}

void ConnectProbe::cancel() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        static_cast<void>(::write(cancel_.get(), &one, sizeof one));
        thread_.join();
    }
    socket_.reset();
    cancel_.reset();
}

} // namespace kez::corvane
