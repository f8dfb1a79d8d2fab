// Decodes whatever arrives as a block, asking for more samples than it can hold; the decoder
// must stay inside both buffers whatever the header says.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    std::vector<std::int16_t> out(kez::sonwell::ImaAdpcmBlockSamples(size) + 8);
    const std::size_t decoded = kez::sonwell::ImaAdpcmDecode(out, block);
    if (decoded != kez::sonwell::ImaAdpcmBlockSamples(size)) __builtin_trap();
    std::vector<std::uint8_t> again(kez::sonwell::ImaAdpcmBlockBytes(decoded));
    int index = 0;
    kez::sonwell::ImaAdpcmEncode(again, std::span(out.data(), decoded), index);
    if (index < 0 || index > kez::sonwell::kImaMaxStepIndex) __builtin_trap();
    kez::sonwell::MuLawExpand(out, block);
    return 0;
}
