// A packet port driven line by line over standard input, for tests that need a second
// process (a virtual-wire peer) or another user (nobody, through kez-rawsock).
//   open <adapter>     -> ok <mac> | fail <code> <errno>
//   filter <bits>      -> ok | fail <code> <errno>
//   mcast <mac>...     -> ok | fail <code> <errno>
//   send <hex>         -> ok | fail <code> <errno>
//   recv <ms>          -> frame <hex> | timeout | closed | fail <code> <errno>
//   detach             -> ok | fail <errno> | nosocket   (SO_DETACH_FILTER on the packet socket)
//   rebind <ifname|0>  -> ok | fail <errno> | nosocket   (binds the packet socket to another
//                         adapter, or to every adapter)
//   rawrecv <ms>       -> frame <hex> | timeout | nosocket   (straight from the packet socket, no
//                         software filter: shows what the kernel filter lets through)
//   fds                -> fds <count>
//   close | release (destroys the port) | quit
#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "kez/net/packet_port.h"
#include "test_frames.h"

namespace {

using namespace kez::net;
using kez::net::testing::Bytes;

std::string failure(const PortStatus& status) {
    return "fail " + std::string(codeName(status.code)) + " " + std::to_string(status.error);
}

std::string answer(const PortStatus& status) { return status.ok() ? "ok" : failure(status); }

std::vector<int> openDescriptors() {
    std::vector<int> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        fds.push_back(std::atoi(entry.path().filename().c_str()));
    }
    return fds;
}

bool isPacketSocket(int fd) {
    int domain = 0;
    socklen_t length = sizeof domain;
    return ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 && domain == AF_PACKET;
}

std::optional<int> packetSocket() {
    for (const int fd : openDescriptors()) {
        if (isPacketSocket(fd)) return fd;
    }
    return std::nullopt;
}

std::string detachFilter() {
    if (const auto fd = packetSocket()) {
        const int unused = 0;
        if (::setsockopt(*fd, SOL_SOCKET, SO_DETACH_FILTER, &unused, sizeof unused) == 0) return "ok";
        return "fail " + std::to_string(errno);
    }
    return "nosocket";
}

std::string rebind(const std::string& adapter) {
    const auto fd = packetSocket();
    if (!fd) return "nosocket";
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ALL);
    address.sll_ifindex = adapter == "0" ? 0 : static_cast<int>(::if_nametoindex(adapter.c_str()));
    if (::bind(*fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return "ok";
    return "fail " + std::to_string(errno);
}

std::string receiveRaw(int limitMs) {
    const auto fd = packetSocket();
    if (!fd) return "nosocket";
    pollfd waiting{*fd, POLLIN, 0};
    if (::poll(&waiting, 1, limitMs) != 1) return "timeout";
    Bytes buffer(65536);
    const ssize_t length = ::recv(*fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (length < 0) return "fail " + std::to_string(errno);
    buffer.resize(static_cast<std::size_t>(length));
    return "frame " + kez::net::testing::toHex(buffer);
}

std::string receive(PacketPort& port, int limitMs) {
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = port.readFrame(buffer, std::chrono::milliseconds(limitMs));
    switch (read.outcome) {
    case ReadOutcome::Frame: buffer.resize(read.length); return "frame " + kez::net::testing::toHex(buffer);
    case ReadOutcome::Timeout: return "timeout";
    case ReadOutcome::Closed: return "closed";
    case ReadOutcome::Failed: break;
    }
    return failure(read.status);
}

std::string multicast(PacketPort& port, std::istringstream& words) {
    std::vector<MacAddress> list;
    for (std::string text; words >> text;) {
        const auto mac = parseMac(text);
        if (!mac) return "fail bad-mac 0";
        list.push_back(*mac);
    }
    return answer(port.setMulticastList(list));
}

std::string perform(std::unique_ptr<PacketPort>& port, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "fds") return "fds " + std::to_string(openDescriptors().size() - 1);
    if (command == "detach") return detachFilter();
    if (command == "rebind") {
        std::string adapter;
        words >> adapter;
        return rebind(adapter);
    }
    if (command == "rawrecv") {
        int limitMs = 0;
        words >> limitMs;
        return receiveRaw(limitMs);
    }
    if (command == "open") {
        std::string adapter;
        words >> adapter;
        port = makePacketPort(adapter);
        const PortStatus status = port->open(adapter);
        if (status.ok()) return "ok " + formatMac(port->macAddress());
        port.reset();
        return failure(status);
    }
    if (!port) return "fail NotOpen 0";
    if (command == "close") {
        port->close();
        return "ok";
    }
    if (command == "release") {
        port.reset();
        return "ok";
    }
    if (command == "filter") {
        std::uint32_t bits = 0;
        words >> bits;
        return answer(port->setPacketFilter(bits));
    }
    if (command == "mcast") return multicast(*port, words);
    if (command == "send") {
        std::string hex;
        words >> hex;
        const auto frame = kez::net::testing::fromHex(hex);
        return frame ? answer(port->writeFrame(*frame)) : "fail bad-hex 0";
    }
    if (command == "recv") {
        int limitMs = 0;
        words >> limitMs;
        return receive(*port, limitMs);
    }
    return "fail unknown-command 0";
}

} // namespace

int main() {
    std::unique_ptr<PacketPort> port;
    for (std::string line; std::getline(std::cin, line) && line != "quit";) {
        std::cout << perform(port, line) << std::endl;
    }
    return 0;
}
