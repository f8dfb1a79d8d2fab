#include "kez/net/virtual_wire_hub.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "hub_address.h"
#include "kez/sys/event.h"
#include "kez/sys/fd.h"
#include "virtual_adapter.h"

namespace kez::net {

// Owned jointly by the hub object and its relay thread.
struct VirtualWireHub::State {
    sys::UniqueFd folder; // where the listener's name is
    sys::UniqueFd listener;
    sys::Event stop{sys::Event::Reset::Manual};
    std::vector<sys::UniqueFd> ports; // relay thread only
    std::atomic<std::size_t> attached{0};
    std::atomic<std::uint64_t> dropped{0};

    void run();
    void acceptPorts();
    // False when the port's connection ended.
    bool relayFrom(std::size_t index);
};

namespace {

constexpr int kListenBacklog = 64;

// A name that nobody listens on any more (its hub ended without removing it) is taken over.
bool listenerGone(const detail::HubAddress& hub) {
    const sys::UniqueFd probe(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    return probe && ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&hub.address), hub.length) != 0 &&
           errno == ECONNREFUSED;
}

int bindHub(int listener, const detail::HubAddress& hub, const std::string& name) {
    const auto* address = reinterpret_cast<const sockaddr*>(&hub.address);
    if (::bind(listener, address, hub.length) == 0) return 0;
    if (errno != EADDRINUSE) return errno;
    if (!listenerGone(hub)) return EADDRINUSE;
    if (::unlinkat(hub.folder.get(), name.c_str(), 0) != 0 || ::bind(listener, address, hub.length) != 0) return errno;
    return 0;
}

// The name goes with the hub, so that the next hub finds it free.
void stopListening(VirtualWireHub::State& state, const std::string& name) {
    state.listener.reset();
    ::unlinkat(state.folder.get(), name.c_str(), 0);
}

} // namespace

void VirtualWireHub::State::run() {
    for (;;) {
        std::vector<pollfd> fds{{stop.pollFd(), POLLIN, 0}, {listener.get(), POLLIN, 0}};
        for (const auto& port : ports)
            fds.push_back({port.get(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        std::vector<std::size_t> ended;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (fds[i + 2].revents != 0 && !relayFrom(i)) ended.push_back(i);
        }
        for (auto it = ended.rbegin(); it != ended.rend(); ++it) {
            ports.erase(ports.begin() + static_cast<std::ptrdiff_t>(*it));
        }
        if (fds[1].revents != 0) acceptPorts();
        attached = ports.size();
    }
}

void VirtualWireHub::State::acceptPorts() {
    for (;;) {
        sys::UniqueFd port(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!port) return;
        const unsigned char attachedMark = detail::kHubAttached;
        ports.push_back(std::move(port));
        // Counted before the port hears it is attached, so its owner can rely on the count.
        attached = ports.size();
        if (::send(ports.back().get(), &attachedMark, 1, MSG_NOSIGNAL) != 1) ports.pop_back();
    }
}

bool VirtualWireHub::State::relayFrom(std::size_t index) {
    std::array<std::uint8_t, detail::kHubMessageLimit> frame{};
    const ssize_t received = ::recv(ports[index].get(), frame.data(), frame.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (received < 0) return errno == EAGAIN || errno == EINTR;
    if (received == 0 || static_cast<std::size_t>(received) > frame.size()) return false;
    for (std::size_t other = 0; other < ports.size(); ++other) {
        if (other == index) continue;
        // A port that does not keep up loses frames rather than stall the wire.
        if (::send(ports[other].get(), frame.data(), static_cast<std::size_t>(received), MSG_DONTWAIT | MSG_NOSIGNAL) <
            0) {
            ++dropped;
        }
    }
    return true;
}

VirtualWireHub::VirtualWireHub(std::string name) : name_(std::move(name)) {}

VirtualWireHub::~VirtualWireHub() { stop(); }

PortStatus VirtualWireHub::start() {
    if (state_) return portError(PortCode::AlreadyOpen);
    if (PortStatus status = detail::checkWireName(name_); !status.ok()) return status;
    auto state = std::make_shared<State>();
    state->listener = sys::UniqueFd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!state->listener) return portError(PortCode::SystemError, errno);
    detail::HubAddress hub = detail::hubAddress(name_, detail::HubFolder::Create);
    if (!hub.status.ok()) return hub.status;
    if (const int error = bindHub(state->listener.get(), hub, name_); error != 0) {
        return portError(error == EADDRINUSE ? PortCode::AlreadyOpen : PortCode::SystemError, error);
    }
    state->folder = std::move(hub.folder);
    if (::listen(state->listener.get(), kListenBacklog) != 0) {
        stopListening(*state, name_);
        return portError(PortCode::SystemError, errno);
    }
    if (!relay_.start("kez-vhub", [state] { state->run(); })) {
        stopListening(*state, name_);
        return portError(PortCode::SystemError, EAGAIN);
    }
    state_ = std::move(state);
    return {};
}

void VirtualWireHub::stop() {
    if (!state_) return;
    state_->stop.set();
    relay_.join();
    stopListening(*state_, name_);
    state_.reset();
}

std::size_t VirtualWireHub::attachedPorts() const { return state_ ? state_->attached.load() : 0; }

std::uint64_t VirtualWireHub::framesDropped() const { return state_ ? state_->dropped.load() : 0; }

} // namespace kez::net
