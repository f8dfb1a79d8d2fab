#include "packet_socket.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kez::net::detail {
namespace {

// Loads of what the kernel knows about the frame (adapter, packet type, removed tag), not its bytes.
constexpr std::uint32_t ancillary(int field) { return static_cast<std::uint32_t>(SKF_AD_OFF + field); }

constexpr int kReceiveBufferBytes = 1 << 20;

// The kernel takes the outer tag off before the filter runs, 802.1Q and 802.1ad alike:
// only an 802.1Q tag may have gone, and then no tag may follow in the frame. X holds 4
// when an 802.1Q tag is still in the frame.
constexpr std::array<sock_filter, 25> kJ5Program{{
    BPF_STMT(BPF_LDX | BPF_IMM, 0),
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ancillary(SKF_AD_VLAN_TAG_PRESENT)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 2, 0),
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ancillary(SKF_AD_VLAN_TPID)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x8100, 3, 19), // -> type at 12, or reject
    BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 12),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x8100, 0, 1),
    BPF_STMT(BPF_LDX | BPF_IMM, 4),
    BPF_STMT(BPF_LD | BPF_H | BPF_IND, 12),             // 8: type or 802.3 length
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x88B5, 13, 0), // -> accept
    BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, 0x05DC, 13, 0), // not an 802.3 length -> reject
    BPF_STMT(BPF_LD | BPF_W | BPF_IND, 14),             // 11: AA AA 03 and the first OUI byte
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xAAAA0300, 0, 4),
    BPF_STMT(BPF_LD | BPF_H | BPF_IND, 18),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x0000, 0, 9),
    BPF_STMT(BPF_LD | BPF_H | BPF_IND, 20),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x88B5, 6, 7),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0xAAAA0302, 0, 6), // 17: maker SNAP
    BPF_STMT(BPF_LD | BPF_H | BPF_IND, 18),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x5A4E, 0, 4),
    BPF_STMT(BPF_LD | BPF_H | BPF_IND, 20),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x444C, 1, 0), // "DL"
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x4855, 0, 1), // "HU"
    BPF_STMT(BPF_RET | BPF_K, 0x40000),                // 23: accept whole frame
    BPF_STMT(BPF_RET | BPF_K, 0),                      // 24: reject
}};

// Checks in front of the J5 program, each ending at the program's last step (reject) when
// it fails. The adapter: the socket's holder may bind it to another one without any
// capability. The packet type: only frames that came in for this station.
std::vector<sock_filter> stationProgram(int ifindex, SocketUse use) {
    const std::size_t checks = use == SocketUse::Broker ? 5 : 2;
    const std::size_t reject = checks + kJ5Program.size() - 1;
    const auto toReject = [reject](std::size_t from) { return static_cast<std::uint8_t>(reject - from - 1); };
    std::vector<sock_filter> program{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ancillary(SKF_AD_IFINDEX)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(ifindex), 0, toReject(1)),
    };
    if (use == SocketUse::Broker) {
        program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ancillary(SKF_AD_PKTTYPE)));
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OTHERHOST, toReject(3), 0));
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OUTGOING, toReject(4), 0));
    }
    program.insert(program.end(), kJ5Program.begin(), kJ5Program.end());
    return program;
}

PortStatus attachProgram(int fd, std::span<const sock_filter> program, FilterLock lock) {
    sock_fprog header{static_cast<unsigned short>(program.size()), const_cast<sock_filter*>(program.data())};
    if (::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &header, sizeof header) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    const int on = 1;
    if (lock == FilterLock::Locked && ::setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    return {};
}

PortStatus systemFailure(PortCode code) { return portError(code, errno); }

PortStatus interfaceIndex(int fd, std::string_view name, int& index) {
    ifreq request{};
    std::memcpy(request.ifr_name, name.data(), name.size());
    if (::ioctl(fd, SIOCGIFINDEX, &request) != 0) {
        return errno == ENODEV ? portError(PortCode::NoSuchAdapter, ENODEV) : systemFailure(PortCode::SystemError);
    }
    const int found = request.ifr_ifindex;
    if (::ioctl(fd, SIOCGIFHWADDR, &request) != 0) return systemFailure(PortCode::SystemError);
    if (request.ifr_hwaddr.sa_family != ARPHRD_ETHER) return portError(PortCode::NotEthernet);
    index = found;
    return {};
}

PortStatus configure(int fd) {
    const int on = 1;
    if (::setsockopt(fd, SOL_PACKET, PACKET_AUXDATA, &on, sizeof on) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    // Outgoing copies are also recognised by their packet type when this option is missing.
    ::setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    return {};
}

} // namespace

PortStatus checkAdapterName(std::string_view name) {
    if (name.empty() || name.size() >= IFNAMSIZ || name == "." || name == "..") {
        return portError(PortCode::InvalidName);
    }
    for (const char c : name) {
        const bool printable = c > ' ' && c < 0x7f;
        if (!printable || c == '/' || c == ':') return portError(PortCode::InvalidName);
    }
    return {};
}

PortStatus attachJ5Filter(int fd, FilterLock lock) { return attachProgram(fd, kJ5Program, lock); }

PortStatus boundAddress(int fd, int& ifindex, MacAddress& mac) {
    sockaddr_ll bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    if (bound.sll_halen != mac.size()) return portError(PortCode::NotEthernet);
    std::copy_n(bound.sll_addr, mac.size(), mac.begin());
    ifindex = bound.sll_ifindex;
    return {};
}

PacketSocket openPacketSocket(std::string_view adapter, SocketUse use) {
    PacketSocket result;
    result.status = checkAdapterName(adapter);
    if (!result.status.ok()) return result;
    int index = 0;
    {
        const sys::UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!probe) return PacketSocket{sys::UniqueFd(), systemFailure(PortCode::SystemError)};
        result.status = interfaceIndex(probe.get(), adapter, index);
        if (!result.status.ok()) return result;
    }
    // Protocol 0: nothing is queued until the bind below, after the filter is in place.
    sys::UniqueFd fd(::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0));
    if (!fd) {
        const bool refused = errno == EPERM || errno == EACCES;
        result.status = systemFailure(refused ? PortCode::PermissionDenied : PortCode::SystemError);
        return result;
    }
    const auto program = stationProgram(index, use);
    result.status =
        attachProgram(fd.get(), program, use == SocketUse::Broker ? FilterLock::Locked : FilterLock::Unlocked);
    if (!result.status.ok()) return result;
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ALL);
    address.sll_ifindex = index;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        result.status = systemFailure(errno == ENODEV ? PortCode::NoSuchAdapter : PortCode::SystemError);
        return result;
    }
    result.status = configure(fd.get());
    if (!result.status.ok()) return result;
    result.status = boundAddress(fd.get(), result.ifindex, result.mac);
    if (result.status.ok()) result.fd = std::move(fd);
    return result;
}

} // namespace kez::net::detail
