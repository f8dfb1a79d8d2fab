#pragma once
// Escapes of the hive file format: quoted texts (\\ \" \xHH) and key names (%HH).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kez::reg {

void appendHexByte(std::string& out, std::uint8_t byte);
// Two hex digits at text[pos]; false when they are not there.
bool readHexByte(std::string_view text, std::size_t pos, std::uint8_t& byte);

std::string quoteText(std::string_view text);
// Reads a quoted text starting at text[pos] (the opening quote); pos ends after the closing quote.
bool unquoteText(std::string_view text, std::size_t& pos, std::string& out);

std::string escapeKeyName(std::string_view name);
bool unescapeKeyName(std::string_view text, std::string& out);

} // namespace kez::reg
