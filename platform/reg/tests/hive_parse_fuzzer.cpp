// Any bytes given to the hive parser: no crash, and whatever it accepts writes back to text that reads as the
// same tree and writes back to the same text. Under small limits, the parser and the check a writer makes before
// saving agree: a tree one accepts the other accepts.
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

    const kez::reg::HiveLimits small{.keys = 6, .values = 12, .treeBytes = 4096};
    const bool fits = kez::reg::exceededLimit(tree, small) == nullptr;
    kez::reg::Node bounded;
    if (kez::reg::parseHive(written, bounded, error, small) != fits) std::abort();
    return 0;
}
