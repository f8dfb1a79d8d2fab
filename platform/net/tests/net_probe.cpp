// A packet port driven line by line over standard input, for tests that need a second
// process (a virtual-wire peer) or another user (nobody, through kez-rawsock).
//   open <adapter>     -> ok <mac> | fail <code> <errno>
//   filter <bits>      -> ok | fail <code> <errno>
//   mcast <mac>...     -> ok | fail <code> <errno>
//   send <hex>         -> ok | fail <code> <errno>
//   recv <ms>          -> frame <hex> | timeout | closed | fail <code> <errno>
//   packetsockets      -> packetsockets <count of AF_PACKET descriptors held>
//   fds                -> fds <count>
//   close | release (destroys the port) | quit
// and, straight to a broker of its own as any program may talk to it:
//   broker <adapter>             -> ok <ifindex> <mac> | fail <code> <errno>
//   bsend <ifindex> <hex>        -> ok | fail <code> <errno>
//   bjoin <PACKET_MR_ kind> <mac> -> ok | fail <code> <errno>
//   brecv <ms>                   -> frame <hex> | timeout | fail <code> <errno>   (the frame channel,
//                                   no software filter: what the broker passes on)
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "bytes.h"
#include "kez/net/packet_port.h"
#include "rawsock_client.h"

namespace {

using namespace kez::net;
using kez::test::Bytes;
namespace detail = kez::net::detail;

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

std::string countPacketSockets() {
    int count = 0;
    for (const int fd : openDescriptors()) {
        int domain = 0;
        socklen_t length = sizeof domain;
        if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 && domain == AF_PACKET) ++count;
    }
    return "packetsockets " + std::to_string(count);
}

struct BrokerLink {
    std::unique_ptr<detail::RawsockClient> client;
    kez::sys::UniqueFd frames;
};

std::string openBroker(BrokerLink& link, const std::string& adapter) {
    detail::BrokerOpen opened = detail::openThroughBroker(adapter);
    if (!opened.status.ok()) return failure(opened.status);
    link.client = std::move(opened.client);
    link.frames = std::move(opened.frames);
    return "ok " + std::to_string(link.client->ifindex()) + " " + formatMac(link.client->mac());
}

std::string askBroker(BrokerLink& link, const std::string& command, std::istringstream& words) {
    if (!link.client) return "fail NotOpen 0";
    detail::RawsockRequest request;
    std::string text;
    if (command == "bsend" || command == "bflood") {
        int count = 1;
        if (command == "bflood") words >> count;
        words >> request.ifindex >> text;
        const auto frame = kez::test::parseHex(text);
        if (!frame) return "fail bad-hex 0";
        request.verb = static_cast<std::uint16_t>(detail::RawsockVerb::Send);
        if (command == "bsend") return answer(link.client->ask(request, *frame, -1));
        int passed = 0;
        for (int i = 0; i < count; ++i)
            passed += link.client->ask(request, *frame, -1).ok() ? 1 : 0;
        return "passed " + std::to_string(passed);
    }
    words >> request.membership >> text;
    const auto group = parseMac(text);
    if (!group) return "fail bad-mac 0";
    std::copy(group->begin(), group->end(), request.group);
    request.verb = static_cast<std::uint16_t>(detail::RawsockVerb::Join);
    return answer(link.client->ask(request, {}, -1));
}

std::string receiveFromBroker(const BrokerLink& link, int limitMs) {
    if (!link.frames) return "fail NotOpen 0";
    pollfd waiting{link.frames.get(), POLLIN, 0};
    if (::poll(&waiting, 1, limitMs) != 1) return "timeout";
    Bytes buffer(kMaxFrameLength);
    const ssize_t length = ::recv(link.frames.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (length <= 0) return "fail SystemError " + std::to_string(errno);
    buffer.resize(static_cast<std::size_t>(length));
    return "frame " + kez::test::toHex(buffer);
}

std::string receive(PacketPort& port, int limitMs) {
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = port.readFrame(buffer, std::chrono::milliseconds(limitMs));
    switch (read.outcome) {
    case ReadOutcome::Frame: buffer.resize(read.length); return "frame " + kez::test::toHex(buffer);
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

std::string perform(std::unique_ptr<PacketPort>& port, BrokerLink& broker, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "fds") return "fds " + std::to_string(openDescriptors().size() - 1);
    if (command == "packetsockets") return countPacketSockets();
    if (command == "broker") {
        std::string adapter;
        words >> adapter;
        return openBroker(broker, adapter);
    }
    if (command == "bsend" || command == "bflood" || command == "bjoin") return askBroker(broker, command, words);
    if (command == "brecv") {
        int limitMs = 0;
        words >> limitMs;
        return receiveFromBroker(broker, limitMs);
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
        const auto frame = kez::test::parseHex(hex);
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
    BrokerLink broker;
    for (std::string line; std::getline(std::cin, line) && line != "quit";) {
        std::cout << perform(port, broker, line) << std::endl;
    }
    return 0;
}
