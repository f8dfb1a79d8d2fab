#pragma once
// The process's hives, as configured.
#include "hive_file.h"
#include "kez/reg/types.h"

#include <memory>

namespace kez::reg {

std::shared_ptr<HiveFile> hiveFile(Hive hive);

} // namespace kez::reg
