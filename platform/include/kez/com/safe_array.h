#pragma once
// One-dimensional arrays as they cross component interfaces: byte and 16-bit arrays
// (addresses, payloads, audio, LED lists) and text arrays (adapter names). An array
// keeps its element type and lower bound; zero elements are allowed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kez::com {

enum class ElementType : std::uint8_t { UI1, I1, I2, UI2, Bstr };

// Bytes per element when an array is read as bytes; 0 for text.
constexpr std::size_t elementSize(ElementType type) {
    switch (type) {
    case ElementType::UI1:
    case ElementType::I1: return 1;
    case ElementType::I2:
    case ElementType::UI2: return 2;
    case ElementType::Bstr: return 0;
    }
    return 0;
}

class SafeArray {
public:
    // A numeric array whose elements are `bytes` in memory order (16-bit elements in host
    // order). Nothing when `type` is Bstr or the byte count is not a whole number of elements.
    static std::optional<SafeArray> fromBytes(ElementType type, std::span<const std::uint8_t> bytes,
                                              std::int32_t lowerBound = 0);
    static SafeArray fromI2(std::span<const std::int16_t> values, std::int32_t lowerBound = 0);
    static SafeArray fromTexts(std::vector<std::string> texts, std::int32_t lowerBound = 0);

    ElementType elementType() const { return type_; }
    std::int32_t lowerBound() const { return lowerBound_; }
    std::int32_t upperBound() const { return lowerBound_ + static_cast<std::int32_t>(count()) - 1; }
    std::size_t count() const;

    // True for the types that read as bytes (all but text).
    bool isNumeric() const { return type_ != ElementType::Bstr; }
    // The elements' bytes: count times the element size; empty for text.
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    const std::vector<std::string>& texts() const { return texts_; }

    // Element `index` (counted from the lower bound) as an integer; nothing outside the
    // bounds or for text.
    std::optional<std::int32_t> integerAt(std::int32_t index) const;
    // Element `index` of a text array; nothing outside the bounds or for numbers.
    std::optional<std::string> textAt(std::int32_t index) const;

    friend bool operator==(const SafeArray&, const SafeArray&) = default;

private:
    SafeArray(ElementType type, std::int32_t lowerBound) : type_(type), lowerBound_(lowerBound) {}
    std::optional<std::size_t> offsetOf(std::int32_t index) const;

    ElementType type_;
    std::int32_t lowerBound_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::string> texts_;
};

} // namespace kez::com
