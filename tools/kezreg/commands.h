#pragma once
// kezreg's commands. Each prints to standard output and returns the registry's status.
#include "command_line.h"
#include "kez/reg/status.h"

#include <string_view>

namespace kez::kezreg {

// The key's values and the sections of its direct subkeys; with a name, that value's line only.
reg::Status query(const KeyName& key, const std::string_view* valueName);
reg::Status set(const KeyName& key, std::string_view valueName, const reg::Value& value);
// A value, a key without subkeys, or (tree) a key with everything below it.
reg::Status remove(const KeyName& key, const std::string_view* valueName, bool tree);
// The key and everything below it, one section per key.
reg::Status exportTree(const KeyName& key);

} // namespace kez::kezreg
