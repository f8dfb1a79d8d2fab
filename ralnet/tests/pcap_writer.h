#pragma once
// A minimal capture file writer (classic pcap, Ethernet link type), for handing our frames
// to an independent decoder.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ralnet::test {

class PcapWriter {
public:
    explicit PcapWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb"), std::fclose) {
        if (!file_) return;
        u32(0xA1B2C3D4); // magic, microsecond timestamps
        u16(2);
        u16(4);
        u32(0);     // time zone
        u32(0);     // accuracy
        u32(65535); // snapshot length
        u32(1);     // link type Ethernet
    }

    bool ok() const { return file_ != nullptr; }

    void frame(const std::uint8_t* data, std::size_t length) {
        if (!file_) return;
        u32(static_cast<std::uint32_t>(count_++)); // seconds: the frame's index
        u32(0);
        u32(static_cast<std::uint32_t>(length));
        u32(static_cast<std::uint32_t>(length));
        std::fwrite(data, 1, length, file_.get());
    }

    bool close() { return file_ && std::fclose(file_.release()) == 0; }

private:
    void u16(std::uint16_t v) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        std::fwrite(bytes, 1, 2, file_.get());
    }

    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }

    std::unique_ptr<FILE, int (*)(FILE*)> file_;
    std::size_t count_ = 0;
};

} // namespace ralnet::test
