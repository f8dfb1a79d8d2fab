#include "kez/com/safe_array.h"

#include <cstring>
#include <utility>

namespace kez::com {

std::optional<SafeArray> SafeArray::fromBytes(ElementType type, std::span<const std::uint8_t> bytes,
                                              std::int32_t lowerBound) {
    const std::size_t size = elementSize(type);
    if (size == 0 || bytes.size() % size != 0) {
        return std::nullopt;
    }
    SafeArray array(type, lowerBound);
    array.bytes_.assign(bytes.begin(), bytes.end());
    return array;
}

SafeArray SafeArray::fromI2(std::span<const std::int16_t> values, std::int32_t lowerBound) {
    SafeArray array(ElementType::I2, lowerBound);
    array.bytes_.resize(values.size_bytes());
    if (!values.empty()) {
        std::memcpy(array.bytes_.data(), values.data(), values.size_bytes());
    }
    return array;
}

SafeArray SafeArray::fromTexts(std::vector<std::string> texts, std::int32_t lowerBound) {
    SafeArray array(ElementType::Bstr, lowerBound);
    array.texts_ = std::move(texts);
    return array;
}

std::size_t SafeArray::count() const { return isNumeric() ? bytes_.size() / elementSize(type_) : texts_.size(); }

std::optional<std::size_t> SafeArray::offsetOf(std::int32_t index) const {
    const std::int64_t position = std::int64_t{index} - lowerBound_;
    if (position < 0 || position >= static_cast<std::int64_t>(count())) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(position);
}

std::optional<std::int32_t> SafeArray::integerAt(std::int32_t index) const {
    const auto position = offsetOf(index);
    if (!position || !isNumeric()) {
        return std::nullopt;
    }
    const std::uint8_t* element = bytes_.data() + *position * elementSize(type_);
    switch (type_) {
    case ElementType::UI1: return element[0];
    case ElementType::I1: return static_cast<std::int8_t>(element[0]);
    case ElementType::I2: {
        std::int16_t value;
        std::memcpy(&value, element, sizeof value);
        return value;
    }
    case ElementType::UI2: {
        std::uint16_t value;
        std::memcpy(&value, element, sizeof value);
        return value;
    }
    case ElementType::Bstr: break;
    }
    return std::nullopt;
}

std::optional<std::string> SafeArray::textAt(std::int32_t index) const {
    const auto position = offsetOf(index);
    if (!position || isNumeric()) {
        return std::nullopt;
    }
    return texts_[*position];
}

} // namespace kez::com
