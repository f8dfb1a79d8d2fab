#include "kez/com/array_routines.h"

#include <algorithm>

namespace kez::com {

namespace {

// The bytes of a numeric array, none for a non-array; DISP_E_TYPEMISMATCH for text.
HRESULT arrayBytes(const Variant& source, std::span<const std::uint8_t>& bytes) {
    bytes = {};
    const SafeArray* array = source.get<SafeArray>();
    if (array == nullptr) {
        return S_OK;
    }
    if (!array->isNumeric()) {
        return DISP_E_TYPEMISMATCH;
    }
    bytes = array->bytes();
    return S_OK;
}

} // namespace

HRESULT MakeSafeArray(ElementType type, std::span<const std::uint8_t> bytes, Variant& destination,
                      std::int32_t lowerBound) {
    destination.clear();
    if (elementSize(type) == 0) {
        return E_FAIL;
    }
    if (bytes.empty()) {
        return S_OK;
    }
    auto array = SafeArray::fromBytes(type, bytes, lowerBound);
    if (!array) {
        return E_INVALIDARG;
    }
    destination = std::move(*array);
    return S_OK;
}

HRESULT GetSafeArray(const Variant& source, std::span<std::uint8_t> destination, std::size_t* copied) {
    if (copied != nullptr) {
        *copied = 0;
    }
    std::span<const std::uint8_t> bytes;
    const HRESULT hr = arrayBytes(source, bytes);
    if (FAILED(hr)) {
        return hr;
    }
    if (bytes.size() > destination.size()) {
        return E_FAIL;
    }
    std::copy(bytes.begin(), bytes.end(), destination.begin());
    if (copied != nullptr) {
        *copied = bytes.size();
    }
    return S_OK;
}

HRESULT GetSafeArrayEx(const Variant& source, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::span<const std::uint8_t> held;
    const HRESULT hr = arrayBytes(source, held);
    if (SUCCEEDED(hr)) {
        bytes.assign(held.begin(), held.end());
    }
    return hr;
}

bool ArraysEqual(const Variant& first, const Variant& second) {
    const SafeArray* a = first.get<SafeArray>();
    const SafeArray* b = second.get<SafeArray>();
    return a != nullptr && b != nullptr && a->isNumeric() && b->isNumeric() &&
           std::ranges::equal(a->bytes(), b->bytes());
}

std::size_t ArrayByteLength(const Variant& source) {
    const SafeArray* array = source.get<SafeArray>();
    return array != nullptr ? array->bytes().size() : 0;
}

} // namespace kez::com
