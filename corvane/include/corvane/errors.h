#pragma once
// The engine's own result codes (`tagCorvaneError`), in the interface facility. The programs
// classify engine errors by these numbers.
#include <cstdint>

#include "kez/com/hresult.h"

namespace kez::corvane {

enum tagCorvaneError : std::uint16_t {
    ENGINE_START_ERROR = 0x3000,
    ENGINE_WAVEFILE_ERROR = 0x3001,
    ENGINE_WINSOCK_ERROR = 0x3002,
    ENGINE_INVALID_PARAMETER = 0x3003,
    ENGINE_INVALID_STATE = 0x3004,
    ENGINE_OBJECT_NOT_FOUND = 0x3005,
    ENGINE_PROTOCOL_ERROR = 0x3006,
};
using CORVANEERROR = tagCorvaneError;

constexpr com::HRESULT corvaneError(tagCorvaneError error) { return com::interfaceError(error); }

} // namespace kez::corvane
