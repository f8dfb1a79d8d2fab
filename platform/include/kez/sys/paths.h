#pragma once
// The folders the programs read from and write to.
#include <filesystem>

namespace kez::sys {

// Shipped read-only data (bitmaps, help, wave files): $KEZ_DATA_DIR, else the compiled default.
std::filesystem::path dataDir();
// Per-user state (the log, write checks): $XDG_STATE_HOME/kez-ombrel, default ~/.local/state/kez-ombrel.
// Created when missing, and kept private to its user (0700).
std::filesystem::path stateDir();
// Folder of the machine hive: $KEZ_REGISTRY_DIR, else the compiled default.
std::filesystem::path registryDir();
// Per-user configuration folder: $XDG_CONFIG_HOME/kez-ombrel, default ~/.config/kez-ombrel.
std::filesystem::path userConfigDir();
// The running program's own executable file.
std::filesystem::path programFile();

} // namespace kez::sys
