#include "kez/net/pcap_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <string>

namespace kez::net {
namespace {

constexpr std::uint16_t kVersionMajor = 2;
constexpr std::uint16_t kVersionMinor = 4;

// The file is written in this machine's byte order (x86-64: little-endian), which the magic
// number tells readers.
void put32(std::string& out, std::uint32_t value) { out.append(reinterpret_cast<const char*>(&value), sizeof value); }

void put16(std::string& out, std::uint16_t value) { out.append(reinterpret_cast<const char*>(&value), sizeof value); }

PcapStamp timeOfDay() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return {static_cast<std::uint32_t>(now.tv_sec), static_cast<std::uint32_t>(now.tv_nsec / 1000)};
}

} // namespace

PcapWriter::PcapWriter(const std::filesystem::path& path)
    : file_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)) {
    if (!file_) {
        error_ = errno;
        return;
    }
    // Two writers on one file would interleave their records into garbage; the second is refused
    // before it empties the file.
    if (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0) {
        error_ = errno == EWOULDBLOCK ? EBUSY : errno;
        return;
    }
    if (::ftruncate(file_.get(), 0) != 0) {
        error_ = errno;
        return;
    }
    std::string header;
    put32(header, kPcapMagic);
    put16(header, kVersionMajor);
    put16(header, kVersionMinor);
    put32(header, 0); // stamps are UTC
    put32(header, 0); // accuracy
    put32(header, kPcapSnapLength);
    put32(header, kPcapLinkEthernet);
    error_ = sys::writeAll(file_.get(), header);
}

bool PcapWriter::write(std::span<const std::uint8_t> frame) { return write(frame, timeOfDay()); }

bool PcapWriter::write(std::span<const std::uint8_t> frame, PcapStamp stamp) {
    const auto captured = frame.first(std::min<std::size_t>(frame.size(), kPcapSnapLength));
    std::string record;
    record.reserve(16 + captured.size());
    put32(record, stamp.seconds);
    put32(record, stamp.microseconds);
    put32(record, static_cast<std::uint32_t>(captured.size()));
    put32(record, static_cast<std::uint32_t>(frame.size()));
    record.append(reinterpret_cast<const char*>(captured.data()), captured.size());
    std::lock_guard lock(mutex_);
    if (error_ != 0) return false;
    error_ = sys::writeAll(file_.get(), record);
    return error_ == 0;
}

} // namespace kez::net
