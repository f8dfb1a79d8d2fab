#pragma once
// The folders the programs read from and write to.
#include <filesystem>

namespace kez::sys {

// The compiled defaults below come in two sets, the build tree's and the installed set's: a program whose own
// executable lies in the build folder takes the build tree's.
bool runsFromBuildTree();
// Whether `file` lies below `folder`, compared element by element ("/a/bc" is not below "/a/b").
bool liesUnder(const std::filesystem::path& file, const std::filesystem::path& folder);

// Shipped read-only data (bitmaps, help, wave files): $KEZ_DATA_DIR, else the compiled default.
std::filesystem::path dataDir();
// Per-user state (the log, write checks): $XDG_STATE_HOME/kez-ombrel, default ~/.local/state/kez-ombrel.
// Created when missing, and kept private to its user (0700).
std::filesystem::path stateDir();
// Folder of the machine hive: $KEZ_REGISTRY_DIR, else the compiled default.
std::filesystem::path registryDir();
// Folder of the root-only store (class registrations, programs to start): $KEZ_SYSTEM_REGISTRY_DIR, else
// $KEZ_REGISTRY_DIR/system, else the compiled default.
std::filesystem::path systemRegistryDir();
// Per-user configuration folder: $XDG_CONFIG_HOME/kez-ombrel, default ~/.config/kez-ombrel.
std::filesystem::path userConfigDir();
// The running program's own executable file.
std::filesystem::path programFile();

} // namespace kez::sys
