#pragma once
// The byte-array routines every server shares: addresses, payloads and audio frames
// cross interfaces as a Variant holding a numeric array. 16-bit elements count two
// bytes. A Variant holding no array reads as no bytes. Text arrays are not byte
// arrays: reading one as bytes fails with DISP_E_TYPEMISMATCH.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kez/com/hresult.h"
#include "kez/com/variant.h"

namespace kez::com {

// Clears `destination`, then, unless `bytes` is empty, fills it with an array of `type`
// holding `bytes`. E_FAIL for text or another type; E_INVALIDARG when the bytes are not a
// whole number of 16-bit elements.
HRESULT MakeSafeArray(ElementType type, std::span<const std::uint8_t> bytes, Variant& destination,
                      std::int32_t lowerBound = 0);

// Copies the array's bytes to the start of `destination`, leaving the rest as it was; a
// Variant holding no array copies nothing. E_FAIL, copying nothing, when the array is
// longer than `destination`. `copied` receives the number of bytes copied.
HRESULT GetSafeArray(const Variant& source, std::span<std::uint8_t> destination, std::size_t* copied = nullptr);

// The array's bytes in a new buffer; empty for a Variant holding no array.
HRESULT GetSafeArrayEx(const Variant& source, std::vector<std::uint8_t>& bytes);

// True only when both hold numeric arrays of the same byte length and bytes.
bool ArraysEqual(const Variant& first, const Variant& second);

// Byte length of a numeric array; 0 for anything else.
std::size_t ArrayByteLength(const Variant& source);

} // namespace kez::com
