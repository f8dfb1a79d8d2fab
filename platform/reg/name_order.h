#pragma once
// Registry names compare without regard to ASCII case; the order is that of the upper-cased bytes.
#include <string_view>

#include "kez/sys/ascii.h"

namespace kez::reg {

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return sys::compareNoCase(a, b) < 0; }
};

} // namespace kez::reg
