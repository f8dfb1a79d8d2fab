#pragma once
// Helpers of the interface tests on the UDP path: IP settings, the kernel's group list of a
// namespace, MACs as the peer scripts print them, and polling.
#include "net_namespace.h"
#include "ralnet/j5.h"

#include "kez/net/mac_address.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ralnet::test {

// Own address `ip` on a /24.
inline J5IpSettings ipSettingsFor(const std::uint8_t* ip) {
    J5IpSettings settings{};
    std::memcpy(settings.ownIp, ip, 4);
    const std::uint8_t mask[4] = {255, 255, 255, 0};
    std::memcpy(settings.subnetMask, mask, 4);
    for (int i = 0; i < 4; ++i)
        settings.ownSubnet[i] = static_cast<std::uint8_t>(ip[i] & mask[i]);
    return settings;
}

// The IPv4 groups joined in `space` (all-hosts left out), dotted, sorted, one blank apart.
inline std::string groupsOf(const kez::test::NetNamespace& space) {
    std::vector<std::string> groups;
    space.run([&] {
        std::ifstream in("/proc/thread-self/net/igmp");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line.front() != '\t') continue;
            // The group as the kernel prints it: its network-order bytes read as one host word.
            const auto word =
                static_cast<std::uint32_t>(std::stoul(line.substr(line.find_first_not_of('\t'), 8), nullptr, 16));
            std::string text;
            for (int shift = 0; shift < 32; shift += 8) {
                text += (text.empty() ? "" : ".") + std::to_string((word >> shift) & 0xFF);
            }
            if (text != "224.0.0.1") groups.push_back(text);
        }
    });
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    std::string out;
    for (const auto& group : groups)
        out += (out.empty() ? "" : " ") + group;
    return out;
}

// True when a UDP socket of `space` is bound to `port`.
inline bool udpPortBound(const kez::test::NetNamespace& space, std::uint16_t port) {
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X ", port);
    bool bound = false;
    space.run([&] {
        std::ifstream in("/proc/thread-self/net/udp");
        std::string line;
        std::getline(in, line); // the column titles
        while (!bound && std::getline(in, line)) {
            const auto local = line.find(':') + 2; // after "sl:", the local address "AABBCCDD:PPPP "
            bound = line.compare(local + 8, 6, wanted) == 0;
        }
    });
    return bound;
}

// "02:00:..." or six bytes as twelve lower-case hex digits.
inline std::string macHex(const std::uint8_t* mac) {
    std::string out;
    char digits[3];
    for (int i = 0; i < J5_MAC_LEN; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", mac[i]);
        out += digits;
    }
    return out;
}

inline std::string macHex(const std::string& text) {
    const auto mac = kez::net::parseMac(text);
    return mac ? macHex(mac->data()) : "";
}

// Polls `condition` for up to five seconds.
template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 250; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace ralnet::test
