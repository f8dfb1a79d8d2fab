#pragma once
// The values that cross component interfaces. Empty, a zero-element array and a text
// are three different things: "holds no bytes" checks tell them apart.
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "kez/com/date.h"
#include "kez/com/object.h"
#include "kez/com/safe_array.h"

namespace kez::com {

// Booleans travel as 16-bit numbers: some members count only -1 as true.
using VariantBool = std::int16_t;
constexpr VariantBool VARIANT_TRUE = -1;
constexpr VariantBool VARIANT_FALSE = 0;

constexpr VariantBool toVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }
// True only for -1, where a member counts any other value as false.
constexpr bool isVariantTrue(VariantBool value) { return value == VARIANT_TRUE; }

enum class VarType : std::uint8_t { Empty, I2, I4, Bool, Text, Date, Object, Array };

struct Empty {
    friend bool operator==(Empty, Empty) = default;
};

struct Bool {
    VariantBool value = VARIANT_FALSE;
    friend bool operator==(Bool, Bool) = default;
};

class Variant {
public:
    Variant() = default;
    Variant(bool) = delete; // say Bool{toVariantBool(b)}: a bare bool would become a number
    Variant(std::int16_t value) : value_(value) {}
    Variant(std::int32_t value) : value_(value) {}
    Variant(Bool value) : value_(value) {}
    Variant(std::string text) : value_(std::move(text)) {}
    Variant(const char* text) : value_(std::string(text)) {}
    Variant(Date date) : value_(date) {}
    Variant(Ptr<Object> object) : value_(std::move(object)) {}
    Variant(SafeArray array) : value_(std::move(array)) {}

    VarType type() const { return static_cast<VarType>(value_.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isArray() const { return type() == VarType::Array; }
    void clear() { value_ = Empty{}; }

    // The held value when it is of type T (std::int16_t, std::int32_t, Bool, std::string,
    // Date, Ptr<Object>, SafeArray), else null.
    template <class T>
    const T* get() const {
        return std::get_if<T>(&value_);
    }

    // Deep: arrays and texts by content, objects by identity.
    friend bool operator==(const Variant&, const Variant&) = default;

private:
    // Order matches VarType.
    std::variant<Empty, std::int16_t, std::int32_t, Bool, std::string, Date, Ptr<Object>, SafeArray> value_;
};

} // namespace kez::com
