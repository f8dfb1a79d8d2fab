// Reads whatever arrives as a wave file: the reader must stay inside it, and what it accepts
// must hold the format block and play time it promises.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "local_audio/riff_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    kez::corvane::WaveImage image;
    if (kez::corvane::readWave(in, size, image) != kez::corvane::WaveRead::Ok) return 0;
    if (image.format.size() < 18 || image.bytesPerSecond == 0 || image.samples.size() > size) __builtin_trap();
    static_cast<void>(image.durationMs());
    return 0;
}
