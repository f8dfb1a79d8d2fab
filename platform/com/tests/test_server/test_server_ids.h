#pragma once
// Identifiers of the test server "KezTest". Frozen: the tests' registry expectations name them.
#include "kez/com/guid.h"

namespace kez::com::test {

inline constexpr Guid kTestLibrary = "{7A3C51E0-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
inline constexpr Guid kGreeterClass = "{7A3C51E1-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
inline constexpr Guid kCounterClass = "{7A3C51E2-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
inline constexpr Guid kIGreeter = "{7A3C51E3-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;
inline constexpr Guid kICounter = "{7A3C51E4-2B9D-4C8E-8F10-5D6E7F809A01}"_guid;

} // namespace kez::com::test
