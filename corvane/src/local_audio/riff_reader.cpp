#include "riff_reader.h"

#include <array>
#include <fstream>
#include <new>
#include <optional>
#include <span>
#include <string_view>

namespace kez::corvane {
namespace {

constexpr std::uint64_t kChunkHeader = 8;
constexpr std::uint64_t kFormType = 4;
constexpr std::uint32_t kPcmBlock = 16;
constexpr std::uint32_t kExtendedBlock = 18;
constexpr std::uint16_t kPcmTag = 1;

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t dword(std::span<const std::uint8_t> bytes, std::size_t at) {
    return word(bytes, at) | static_cast<std::uint32_t>(word(bytes, at + 2)) << 16;
}

bool tagAt(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
    return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// A chunk's body: where it starts in the file and how many bytes it claims.
struct Chunk {
    std::uint64_t body;
    std::uint32_t size;
};

class Source {
public:
    Source(std::istream& in, std::uint64_t size) : in_(in), size_(size) {}
    std::uint64_t size() const { return size_; }

    // Exactly `into.size()` bytes from `at`, or false.
    bool read(std::uint64_t at, std::span<std::uint8_t> into) {
        if (at > size_ || into.size() > size_ - at) return false;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(at));
        in_.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
        return in_.gcount() == static_cast<std::streamsize>(into.size());
    }

private:
    std::istream& in_;
    std::uint64_t size_;
};

struct Layout {
    std::optional<Chunk> format, data;
};

// Walks the chunks of the RIFF body up to the first "fmt " and "data"; pad bytes after odd
// sizes are skipped, and a claim past the RIFF chunk's end is damage.
WaveRead findChunks(Source& source, std::uint64_t end, Layout& layout) {
    std::uint64_t at = kChunkHeader + kFormType;
    while (at + kChunkHeader <= end && !(layout.format && layout.data)) {
        std::array<std::uint8_t, kChunkHeader> header{};
        if (!source.read(at, header)) return WaveRead::Damaged;
        const Chunk chunk{at + kChunkHeader, dword(header, 4)};
        if (chunk.body + chunk.size > end) return WaveRead::Damaged;
        if (tagAt(header, 0, "fmt ") && !layout.format) layout.format = chunk;
        if (tagAt(header, 0, "data") && !layout.data) layout.data = chunk;
        at = chunk.body + chunk.size + (chunk.size & 1u);
    }
    return WaveRead::Ok;
}

// Any format tag is taken; only PCM has no extra-size word, and a block of other formats
// that stops at 16 bytes has no extra bytes either.
WaveRead readFormat(Source& source, const Chunk& chunk, WaveImage& image) {
    if (chunk.size < kPcmBlock) return WaveRead::BadFormat;
    std::vector<std::uint8_t> block(kExtendedBlock, 0);
    if (!source.read(chunk.body, std::span(block).first(kPcmBlock))) return WaveRead::Damaged;
    image.bytesPerSecond = dword(block, 8);
    if (image.bytesPerSecond == 0) return WaveRead::BadFormat;
    if (word(block, 0) == kPcmTag || chunk.size < kExtendedBlock) {
        image.format = std::move(block);
        return WaveRead::Ok;
    }
    if (!source.read(chunk.body + kPcmBlock, std::span(block).subspan(kPcmBlock))) return WaveRead::Damaged;
    const std::uint16_t extra = word(block, kPcmBlock);
    if (kExtendedBlock + std::uint32_t{extra} > chunk.size) return WaveRead::BadFormat;
    block.resize(kExtendedBlock + extra);
    if (!source.read(chunk.body + kExtendedBlock, std::span(block).subspan(kExtendedBlock))) return WaveRead::Damaged;
    image.format = std::move(block);
    return WaveRead::Ok;
}

WaveRead readWaveFrom(Source& source, WaveImage& image) {
    std::array<std::uint8_t, kChunkHeader + kFormType> riff{};
    if (!source.read(0, riff) || !tagAt(riff, 0, "RIFF") || !tagAt(riff, 8, "WAVE")) return WaveRead::NotWave;
    const std::uint64_t end = kChunkHeader + dword(riff, 4);
    if (end > source.size()) return WaveRead::Damaged;
    Layout layout;
    if (const WaveRead found = findChunks(source, end, layout); found != WaveRead::Ok) return found;
    if (!layout.format) return WaveRead::NoFormat;
    WaveImage read;
    if (const WaveRead format = readFormat(source, *layout.format, read); format != WaveRead::Ok) return format;
    if (!layout.data) return WaveRead::NoData;
    read.samples.resize(layout.data->size);
    if (!source.read(layout.data->body, read.samples)) return WaveRead::Damaged;
    image = std::move(read);
    return WaveRead::Ok;
}

} // namespace

WaveRead readWave(std::istream& in, std::uint64_t size, WaveImage& image) {
    Source source(in, size);
    try {
        return readWaveFrom(source, image);
    } catch (const std::bad_alloc&) {
        return WaveRead::NoMemory;
    }
}

WaveRead readWaveFile(const std::filesystem::path& path, WaveImage& image) {
    std::error_code error;
    // Only a regular file: opening a FIFO would wait for a writer.
    if (!std::filesystem::is_regular_file(path, error)) return WaveRead::CannotOpen;
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return WaveRead::CannotOpen;
    std::ifstream in(path, std::ios::binary);
    if (!in) return WaveRead::CannotOpen;
    return readWave(in, size, image);
}

} // namespace kez::corvane
