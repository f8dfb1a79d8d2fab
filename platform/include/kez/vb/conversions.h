#pragma once
// Number and text conversions of the forms language, as stored settings and address
// fields are read and written with them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kez::vb {

// The leading number of a text, as Val: blanks, tabs and line feeds are ignored
// wherever they stand; an optional sign, digits, a decimal fraction and an exponent
// (E or D); or "&H" hexadecimal / "&O" octal, whose value is read as a 16-bit and
// then 32-bit two's-complement number ("&HFFFF" is -1). Reading stops at the first
// other character; 0 when the text does not begin with a number ("12abc" is 12).
// Throws RuntimeError 6 when the number does not fit.
double val(std::string_view text);

// The whole text as a number (surrounding blanks allowed), else nullopt: what the
// language accepts where a number is required.
std::optional<double> numberFromText(std::string_view text);
bool isNumeric(std::string_view text);

// Integer conversions: rounding half to even, RuntimeError 6 outside the range.
std::int16_t cint(double value);
std::int32_t clng(double value);
std::uint8_t cbyte(double value);
// The same from text that must be a number as a whole (RuntimeError 13 otherwise).
std::int16_t cint(std::string_view text);
std::int32_t clng(std::string_view text);
std::uint8_t cbyte(std::string_view text);

// A stored setting's leading number rounded to an integer (val, then cint / clng).
std::int16_t leadingInt16(std::string_view text);
std::int32_t leadingInt32(std::string_view text);

// "True" / "False"; a text is true exactly when it is "True" (case counts).
std::string_view boolText(bool value);
bool isTrueText(std::string_view text);

// Upper-case hexadecimal without leading zeros; negative numbers in their two's
// complement of the argument's width (Hex(-1) of a 16-bit number is "FFFF").
std::string hex(std::int16_t value);
std::string hex(std::int32_t value);
std::string hex(std::uint32_t value);

// Plain decimal, leading minus for negatives, no leading zeros or blanks.
std::string decimalText(std::int64_t value);

// Trim: the text without its leading and trailing blanks; tabs and line breaks stay.
std::string trim(std::string_view text);

} // namespace kez::vb
