#pragma once
// Building and reading the byte layouts of the text and number types.
#include "kez/reg/types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kez::reg {

// SZ / EXPAND_SZ bytes: the text and its terminating zero (an empty text is one zero byte).
Value textValue(std::string_view text, Type type = Type::Sz);
// MULTI_SZ bytes: each entry and its zero, then one more zero (an empty list is one zero byte). An empty entry
// would end the list for readers, so a value with one before other entries is refused on write.
Value multiTextValue(const std::vector<std::string>& entries);
// DWORD bytes: four, little-endian.
Value dwordValue(std::uint32_t number);

// The text up to the first zero byte (all bytes when there is none); EXPAND_SZ is expanded.
std::string readText(const Value& value);
// MULTI_SZ entries up to the first empty entry or the end of the bytes.
std::vector<std::string> readMultiText(const Value& value);
// True for a MULTI_SZ whose bytes go on with text after an empty entry (zeros alone may follow: "\0\0" is an
// empty list, as is "\0").
bool hidesMultiTextEntries(const Value& value);
// The number of a four-byte DWORD value; false for any other type or length.
bool readDword(const Value& value, std::uint32_t& number);

// Replaces every %NAME% whose NAME is set in the environment by its value; anything else stays as written.
std::string expandEnvironment(std::string_view text);

} // namespace kez::reg
