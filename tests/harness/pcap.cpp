#include "pcap.h"

#include <fstream>
#include <iterator>

#include "kez/net/pcap_writer.h"

namespace kez::test {
namespace {

constexpr std::uint32_t kMagicMicro = net::kPcapMagic;
constexpr std::uint32_t kMagicNano = 0xa1b23c4d;
constexpr std::uint32_t kLinkEthernet = net::kPcapLinkEthernet;
constexpr std::uint32_t kSnapLength = net::kPcapSnapLength;
constexpr std::size_t kFileHeader = 24;
constexpr std::size_t kRecordHeader = 16;

std::uint32_t swapped(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xff00) | ((value << 8) & 0xff0000) | (value << 24);
}

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, bool swap) : bytes_(bytes), swap_(swap) {}
    bool has(std::size_t count) const { return bytes_.size() - at_ >= count; }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | bytes_[at_ + static_cast<std::size_t>(i)];
        at_ += 4;
        return swap_ ? swapped(value) : value;
    }
    void skip(std::size_t count) { at_ += count; }
    std::vector<std::uint8_t> take(std::size_t count) {
        std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                      bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
        at_ += count;
        return out;
    }
    bool done() const { return at_ == bytes_.size(); }

private:
    const std::vector<std::uint8_t>& bytes_;
    bool swap_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<std::vector<PcapRecord>> readPcap(const std::filesystem::path& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path.string();
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.size() < kFileHeader) {
        error = "short file header";
        return std::nullopt;
    }
    const std::uint32_t magic = Reader(bytes, false).u32();
    const bool swap = magic == swapped(kMagicMicro) || magic == swapped(kMagicNano);
    const bool nano = magic == kMagicNano || magic == swapped(kMagicNano);
    if (!swap && magic != kMagicMicro && magic != kMagicNano) {
        error = "not a pcap file";
        return std::nullopt;
    }
    Reader reader(bytes, swap);
    reader.skip(20);
    if (reader.u32() != kLinkEthernet) {
        error = "link type is not Ethernet";
        return std::nullopt;
    }
    std::vector<PcapRecord> records;
    while (!reader.done()) {
        if (!reader.has(kRecordHeader)) {
            error = "truncated record header";
            return std::nullopt;
        }
        PcapRecord record;
        record.seconds = reader.u32();
        const std::uint32_t fraction = reader.u32();
        record.microseconds = nano ? fraction / 1000 : fraction;
        const std::uint32_t captured = reader.u32();
        record.originalLength = reader.u32();
        if (captured > kSnapLength * 4 || !reader.has(captured)) {
            error = "record longer than the file";
            return std::nullopt;
        }
        record.bytes = reader.take(captured);
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace kez::test
