#include "broker.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "packet_socket.h"
#include "rawsock_rules.h"

namespace kez::rawsock {
namespace {

using net::PortCode;
using net::PortStatus;
using net::detail::RawsockRequest;
using net::detail::RawsockVerb;

// Requests are served between batches of received frames.
constexpr int kFramesPerTurn = 64;

bool failedFor(short revents) { return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

bool transient(int error) { return error == EAGAIN || error == EINTR; }

} // namespace

Broker::Broker(int packetSocket, int requests, int frames, int ifindex)
    : packet_(packetSocket), requests_(requests), frames_(frames), memberships_(packetSocket, ifindex) {}

void Broker::run() {
    for (;;) {
        const bool waiting = pendingLength_ > 0;
        // While a frame waits for room, the packet socket is not looked at (its errors included).
        std::array<pollfd, 3> fds{{{requests_, POLLIN, 0},
                                   {frames_, static_cast<short>(waiting ? POLLOUT : 0), 0},
                                   {waiting ? -1 : packet_, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (failedFor(fds[0].revents) || failedFor(fds[1].revents)) return;
        if ((fds[1].revents & POLLOUT) != 0 && !flushPending()) return;
        if (fds[2].revents != 0 && !forwardFrames()) return;
        if ((fds[0].revents & POLLIN) != 0 && !serveRequest()) return;
    }
}

bool Broker::forwardFrames() {
    for (int turn = 0; turn < kFramesPerTurn && pendingLength_ == 0; ++turn) {
        std::size_t length = 0;
        int error = 0;
        switch (net::detail::receivePacket(packet_, frame_, length, error)) {
        case net::detail::Receipt::WouldBlock: return true;
        // A failed read reports a passing state of the link (down, gone); the socket stays.
        case net::detail::Receipt::Failed:
        case net::detail::Receipt::Skipped:
        case net::detail::Receipt::TooLong: continue;
        case net::detail::Receipt::Frame: break;
        }
        net::detail::learnTag(std::span(frame_.data(), length), learnedTag_);
        pendingLength_ = length;
        if (!flushPending()) return false;
    }
    return true;
}

bool Broker::flushPending() {
    if (::send(frames_, frame_.data(), pendingLength_, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) {
        pendingLength_ = 0;
        return true;
    }
    return transient(errno);
}

bool Broker::serveRequest() {
    const ssize_t received = ::recv(requests_, request_.data(), request_.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (received == 0) return false;
    if (received < 0) return transient(errno);
    RawsockRequest request;
    const auto length = static_cast<std::size_t>(received);
    if (length < sizeof request) return answer(0, net::portError(PortCode::InvalidArgument, EINVAL));
    std::memcpy(&request, request_.data(), sizeof request);
    if (length > request_.size()) return answer(request.sequence, net::portError(PortCode::FrameTooLong, EMSGSIZE));
    const std::span<const std::uint8_t> payload(request_.data() + sizeof request, length - sizeof request);
    return answer(request.sequence, perform(request, payload));
}

PortStatus Broker::perform(const RawsockRequest& request, std::span<const std::uint8_t> payload) {
    net::MacAddress group{};
    std::copy(std::begin(request.group), std::end(request.group), group.begin());
    switch (static_cast<RawsockVerb>(request.verb)) {
    case RawsockVerb::Send: return send(request.ifindex, payload);
    case RawsockVerb::Join: return memberships_.join(request.membership, group);
    case RawsockVerb::Leave: return memberships_.leave(request.membership, group);
    }
    return net::portError(PortCode::InvalidArgument, EINVAL);
}

PortStatus Broker::send(int ifindex, std::span<const std::uint8_t> frame) {
    // The adapter's address now: it may have changed since the open.
    net::detail::BoundAdapter adapter;
    if (PortStatus status = net::detail::boundAddress(packet_, adapter.ifindex, adapter.mac); !status.ok()) {
        return status;
    }
    adapter.learnedTag = learnedTag_;
    if (PortStatus status = net::detail::checkOutgoingFrame(adapter, ifindex, frame); !status.ok()) return status;
    // Over the bound the frame is dropped as a full transmit queue drops it.
    if (!budget_.take(net::detail::SendBudget::Clock::now())) return net::portError(PortCode::SystemError, ENOBUFS);
    if (::send(packet_, frame.data(), frame.size(), MSG_NOSIGNAL) < 0) {
        return net::portError(errno == EMSGSIZE ? PortCode::FrameTooLong : PortCode::SystemError, errno);
    }
    return {};
}

bool Broker::answer(std::uint32_t sequence, const PortStatus& status) {
    net::detail::RawsockAnswer answer;
    answer.sequence = sequence;
    answer.code = static_cast<std::int32_t>(status.code);
    answer.error = status.error;
    return ::send(requests_, &answer, sizeof answer, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof answer);
}

} // namespace kez::rawsock
