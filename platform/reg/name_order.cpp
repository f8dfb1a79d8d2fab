#include "name_order.h"

#include <algorithm>

namespace kez::reg {
namespace {

unsigned char upper(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
}

} // namespace

int compareNoCase(std::string_view a, std::string_view b) {
    const auto common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = upper(a[i]);
        const auto y = upper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace kez::reg
