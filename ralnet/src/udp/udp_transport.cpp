#include "udp/udp_transport.h"

#include "udp/ip_address_checks.h"

#include <array>
#include <chrono>
#include <cstring>
#include <net/if.h>
#include <span>

namespace ralnet::udp {
namespace {

constexpr auto kStartWaitLimit = std::chrono::seconds(59);
constexpr auto kMulticastSocketWait = std::chrono::seconds(1);

kez::net::Ipv4Address toAddress(const std::uint8_t* bytes) {
    kez::net::Ipv4Address address;
    std::memcpy(address.data(), bytes, 4);
    return address;
}

int interfaceIndexOf(const char* adapterName) {
    return adapterName ? static_cast<int>(::if_nametoindex(adapterName)) : 0;
}

} // namespace

UdpTransport::UdpTransport(UdpTransportSeams seams) : seams_(std::move(seams)) {}

bool UdpTransport::start(const J5IpSettings& settings, const char* adapterName) {
    kez::net::MulticastInterface interface { toAddress(settings.ownIp), interfaceIndexOf(adapterName) };
    if (!isUsableAddress(interface.address.data())) interface.address = {};
    {
        std::lock_guard guard(settingsLock_);
        interface_ = interface;
    }
    const bool sending = sender_.open(interface) == 0;
    started_.store(true, std::memory_order_release);
    startEvent_.set();
    return sending;
}

void UdpTransport::stop() {
    started_.store(false, std::memory_order_release);
    stopping_.store(true, std::memory_order_release);
    sender_.close();
    stopEvent_.set();
    multicastWake_.set();
}

kez::net::MulticastInterface UdpTransport::multicastInterface() const {
    std::lock_guard guard(settingsLock_);
    return interface_;
}

bool UdpTransport::waitForStart() {
    const std::array<kez::sys::WaitItem, 2> items{&stopEvent_, &startEvent_};
    kez::sys::waitAny(items, kStartWaitLimit);
    return started() && !stopping_.load(std::memory_order_acquire);
}

void UdpTransport::setMulticastOpen(bool open) {
    if (open) {
        multicastOpen_.set();
    } else {
        multicastOpen_.reset();
    }
}

bool UdpTransport::waitForMulticastSocket() {
    const std::array<kez::sys::WaitItem, 2> items{&stopEvent_, &multicastOpen_};
    kez::sys::waitAny(items, kMulticastSocketWait);
    return multicastOpen_.isSet();
}

bool UdpTransport::sendDatagram(const J5PacketObj& packet) {
    const std::span<const std::uint8_t> part = j5PartOf(packet);
    return !part.empty() && sender_.send(part, packet.destIp, packet.typeOfService);
}

int UdpTransport::joinGroup(const std::uint8_t* group, std::uint16_t word, std::uint16_t value) {
    if (!group || !started() || !waitForMulticastSocket()) return 0;
    const AddResult result = groups_.add(toAddress(group), word, value);
    if (result == AddResult::Added) multicastWake_.set();
    return result == AddResult::Added || result == AddResult::AlreadyPresent ? 1 : 0;
}

int UdpTransport::leaveGroup(const std::uint8_t* group) {
    // Like a join, a leave waits out the receiver's reopen after an earlier leave: refusing it there
    // would keep the group joined.
    if (!group || !started() || !waitForMulticastSocket()) return 0;
    if (!groups_.remove(toAddress(group))) return 0;
    multicastWake_.set();
    return 1;
}

} // namespace ralnet::udp
