#pragma once
// The registry store: one text file per hive, shared by every process of the set.
//
// Machine hive: <registryDir()>/machine.reg; user hive: <userConfigDir()>/user.reg. A hive whose file or folder
// this process cannot write is read-only: reads work, opening for write, creating and setting give AccessDenied.
// The environment variable KEZ_REGISTRY_READONLY ("machine", "user" or "machine,user") forces that state.
// A damaged hive file (anything but a regular file, or past the size limits, included) is moved aside to
// "<file>.damaged-<UTC time>", reported once on standard error and through damageReport(), and the hive starts
// empty. Writers take "<file>.lock" and give up with LockTimeout when another process keeps it for `lockWait`
// without saving the hive meanwhile.
#include "kez/reg/key.h"
#include "kez/reg/status.h"
#include "kez/reg/types.h"
#include "kez/reg/value_text.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace kez::reg {

struct Settings {
    std::filesystem::path machineFile;
    std::filesystem::path userFile;
    bool machineReadOnly = false;
    bool userReadOnly = false;
    std::chrono::milliseconds lockWait = std::chrono::seconds(5);
};

// The settings from the standard folders and KEZ_REGISTRY_READONLY.
Settings defaultSettings();
// Replaces the store's settings (tests, tools). Keys already open keep using the files they were opened on.
void configure(const Settings& settings);
// Forces a hive read-only (true) or back to what its file rights allow (false).
void setReadOnly(Hive hive, bool readOnly);
// True when writes to the hive would be refused.
bool isReadOnly(Hive hive);

struct DamageReport {
    std::filesystem::path file;
    std::filesystem::path movedTo; // empty when the file could not be moved (read-only folder)
    std::string reason;
};
// The last damaged file found for the hive since the store was configured.
std::optional<DamageReport> damageReport(Hive hive);

} // namespace kez::reg
