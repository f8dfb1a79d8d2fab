#include "socket_port.h"

#include <sys/socket.h>

#include <cerrno>

namespace kez::net::detail {
namespace {

// Room for the smallest frame with an 802.1Q tag put back.
constexpr std::size_t kSmallestReadBuffer = kMinFrameLength + 4;

} // namespace

PortStatus SocketPort::finishOpen(const MacAddress& mac) {
    readiness_ = makeReadinessFd({socket_.get(), lifecycle_.closingFd()});
    if (!readiness_) {
        const int error = errno;
        socket_.reset();
        return portError(PortCode::SystemError, error);
    }
    mac_ = mac;
    filter_.setOwnMac(mac_);
    filter_.setBits(0);
    filter_.setMulticastList({});
    return {};
}

void SocketPort::close() {
    auto shutDown = lifecycle_.shutDown();
    // Closing the socket drops its memberships in the kernel.
    readiness_.reset();
    socket_.reset();
    releaseBackend();
}

bool SocketPort::isOpen() const {
    auto use = lifecycle_.use();
    return static_cast<bool>(socket_);
}

int SocketPort::pollFd() const {
    auto use = lifecycle_.use();
    return readiness_ ? readiness_.get() : -1;
}

MacAddress SocketPort::macAddress() const {
    auto use = lifecycle_.use();
    return mac_;
}

std::uint32_t SocketPort::packetFilter() const { return filter_.bits(); }

FrameRead SocketPort::readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) {
    if (buffer.size() < kSmallestReadBuffer) return {ReadOutcome::Failed, 0, portError(PortCode::InvalidArgument)};
    auto use = lifecycle_.use();
    if (!socket_) return {ReadOutcome::Closed, 0, portError(PortCode::NotOpen)};
    const sys::Deadline deadline(limit);
    for (;;) {
        int error = 0;
        switch (waitReadable(socket_.get(), lifecycle_.closingFd(), deadline, error)) {
        case Readiness::Closing: return {ReadOutcome::Closed, 0, portError(PortCode::NotOpen)};
        case Readiness::Timeout: return {ReadOutcome::Timeout, 0, {}};
        case Readiness::Failed: return {ReadOutcome::Failed, 0, portError(PortCode::SystemError, error)};
        case Readiness::Ready: break;
        }
        std::size_t length = 0;
        switch (receiveOne(buffer, length, error)) {
        case Received::Failed: return {ReadOutcome::Failed, 0, portError(PortCode::SystemError, error)};
        case Received::TooLong: ++framesTooLong_; continue;
        case Received::Skipped:
        case Received::WouldBlock: continue;
        case Received::Frame: break;
        }
        if (!filter_.accepts(buffer.first(length))) {
            ++framesFiltered_;
            continue;
        }
        ++framesRead_;
        return {ReadOutcome::Frame, length, {}};
    }
}

PortCounters SocketPort::counters() const {
    PortCounters result;
    result.framesRead = framesRead_;
    result.framesFiltered = framesFiltered_;
    result.framesTooLong = framesTooLong_;
    return result;
}

Receipt receiveMessage(int fd, std::span<std::uint8_t> buffer, std::size_t& length, int& error) {
    const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR) return Receipt::WouldBlock;
        error = errno;
        return Receipt::Failed;
    }
    if (received == 0) {
        error = ECONNRESET;
        return Receipt::Failed;
    }
    length = static_cast<std::size_t>(received);
    return length > buffer.size() ? Receipt::TooLong : Receipt::Frame;
}

} // namespace kez::net::detail
