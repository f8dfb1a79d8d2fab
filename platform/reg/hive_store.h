#pragma once
// The process's hives, as configured.
#include "hive_file.h"
#include "kez/reg/types.h"

#include <memory>
#include <span>
#include <string>

namespace kez::reg {

// The file that holds the key at `names` (its full path inside the hive file) of `hive`: the root-only store
// for class registrations and program paths, else the hive's own file.
std::shared_ptr<HiveFile> hiveFile(Hive hive, std::span<const std::string> names);
// The hive's own file (ClassesRoot: the root-only store).
std::shared_ptr<HiveFile> hiveFile(Hive hive);
// True when the key at `names` of `hive` is kept in the root-only store.
bool inRootOnlyStore(Hive hive, std::span<const std::string> names);
// True for a machine key above those kept in the root-only store (the hive's root, "SOFTWARE", ...): its
// subkeys come from both files.
bool aboveRootOnlyStore(Hive hive, std::span<const std::string> names);

} // namespace kez::reg
