#pragma once
// Classic pcap capture files (microsecond stamps, Ethernet link type) that tcpdump, tshark
// and scapy read. Each record goes to the file in one write as it is given, so a capture is
// whole up to its last frame even when the writer never closes; records from several
// threads never mix.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>

#include "kez/sys/fd.h"

namespace kez::net {

inline constexpr std::uint32_t kPcapMagic = 0xa1b2c3d4;
inline constexpr std::uint32_t kPcapLinkEthernet = 1;
inline constexpr std::uint32_t kPcapSnapLength = 65535;

struct PcapStamp {
    std::uint32_t seconds = 0;
    std::uint32_t microseconds = 0;
};

class PcapWriter {
public:
    // Creates or empties the file and writes its header. A file another writer holds open is
    // refused (EBUSY), in this process or another.
    explicit PcapWriter(const std::filesystem::path& path);

    bool ok() const { return error_ == 0; }
    // errno of the failed create or write; 0 while all is well.
    int error() const { return error_; }

    // Stamped with the current time of day. A frame beyond the snapshot length is cut to it.
    bool write(std::span<const std::uint8_t> frame);
    bool write(std::span<const std::uint8_t> frame, PcapStamp stamp);

private:
    std::mutex mutex_;
    sys::UniqueFd file_;
    std::atomic<int> error_{0};
};

} // namespace kez::net
