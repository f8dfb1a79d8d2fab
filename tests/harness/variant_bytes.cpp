#include "variant_bytes.h"

#include "kez/com/array_routines.h"

namespace kez::test {

com::Variant byteArray(std::span<const std::uint8_t> bytes) {
    com::Variant value;
    com::MakeSafeArray(com::ElementType::UI1, bytes, value);
    return value;
}

std::vector<std::uint8_t> bytesOf(const com::Variant& value) {
    std::vector<std::uint8_t> bytes;
    com::GetSafeArrayEx(value, bytes);
    return bytes;
}

} // namespace kez::test
