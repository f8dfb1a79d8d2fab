#pragma once
// Parsing kezreg's arguments: "HIVE\path" and "TYPE value".
#include "kez/reg/types.h"

#include <optional>
#include <string>
#include <string_view>

namespace kez::kezreg {

struct KeyName {
    reg::Hive hive = reg::Hive::LocalMachine;
    std::string path; // inside the hive, without the hive's name
};

std::optional<KeyName> parseKeyName(std::string_view text);
// The hive's long name ("HKEY_LOCAL_MACHINE").
const char* hiveName(reg::Hive hive);

// TYPE is REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ (entries separated by the two characters \0), REG_DWORD (decimal
// or 0x hex), REG_BINARY (hex digits) or hex(N) (type number N, hex digits); the short forms of the export
// syntax (sz, dword, ...) work too. Commas and blanks between hex digits are ignored. When it fails, `problem`
// says why.
std::optional<reg::Value> parseValue(std::string_view type, std::string_view data, std::string_view& problem);

} // namespace kez::kezreg
