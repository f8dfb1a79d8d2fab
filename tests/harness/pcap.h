#pragma once
// Reading classic pcap files (Ethernet link type) in tests: what tcpdump, tshark, scapy or a
// virtual wire's capture wrote. kez::net::PcapWriter writes them.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kez::test {

struct PcapRecord {
    std::uint32_t seconds = 0;
    std::uint32_t microseconds = 0;
    std::uint32_t originalLength = 0;
    std::vector<std::uint8_t> bytes;
};

// Both byte orders and the nanosecond variant; nullopt with `error` set for a damaged file.
std::optional<std::vector<PcapRecord>> readPcap(const std::filesystem::path& path, std::string& error);

} // namespace kez::test
