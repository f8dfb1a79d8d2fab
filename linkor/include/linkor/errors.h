#pragma once
// Linkor's own result codes (`tagLinkorError`), in the interface facility.
#include <cstdint>

#include "kez/com/hresult.h"

namespace kez::linkor {

enum tagLinkorError : std::uint16_t {
    LINKOR_J5_ERROR = 0x6000,
    LINKOR_INVALID_FRAME = 0x6001,
    LINKOR_INVALID_FORMAT = 0x6002,
    LINKOR_MULTICAST_ERROR = 0x6003,
};
using LINKORERROR = tagLinkorError;

constexpr com::HRESULT linkorError(tagLinkorError error) { return com::interfaceError(error); }

} // namespace kez::linkor
