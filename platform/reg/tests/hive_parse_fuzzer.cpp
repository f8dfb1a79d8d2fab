// Any bytes given to the hive parser: no crash, and whatever it accepts writes back to text that reads as the
// same tree and writes back to the same text.
#include "../hive_format.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kez::reg::Node tree;
    kez::reg::ParseError error;
    if (!kez::reg::parseHive(text, tree, error)) return 0;
    const auto written = kez::reg::serializeHive(tree);
    kez::reg::Node again;
    if (!kez::reg::parseHive(written, again, error) || !(again == tree)) std::abort();
    if (kez::reg::serializeHive(again) != written) std::abort();
    return 0;
}
