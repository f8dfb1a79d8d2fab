#pragma once
// The line syntax of hive files (see the format description in hive_format.h), shared with kezreg.
#include "kez/reg/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace kez::reg {

// "[A\B]": each name with '%', '[', ']', control bytes and DEL written as %HH.
std::string formatSectionLine(const std::vector<std::string>& path);
// "\"name\"=type:data" ("@" for the unnamed value).
std::string formatValueLine(std::string_view name, const Value& value);
// Only the "type:data" part.
std::string formatValueData(const Value& value);

} // namespace kez::reg
