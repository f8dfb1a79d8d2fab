#pragma once
// Classic pcap files (Ethernet link type) for tests: write what a test sent, read what
// tcpdump, tshark or scapy captured.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kez::test {

struct PcapRecord {
    std::uint32_t seconds = 0;
    std::uint32_t microseconds = 0;
    std::uint32_t originalLength = 0;
    std::vector<std::uint8_t> bytes;
};

class PcapWriter {
public:
    explicit PcapWriter(const std::filesystem::path& path);
    bool ok() const { return static_cast<bool>(file_); }
    bool write(std::span<const std::uint8_t> frame, std::uint32_t seconds = 0, std::uint32_t microseconds = 0);

private:
    std::ofstream file_;
};

// Both byte orders and the nanosecond variant; nullopt with `error` set for a damaged file.
std::optional<std::vector<PcapRecord>> readPcap(const std::filesystem::path& path, std::string& error);

} // namespace kez::test
