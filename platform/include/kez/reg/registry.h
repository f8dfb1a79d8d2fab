#pragma once
// The registry store: one text file per hive, shared by every process of the set.
//
// Machine hive: <registryDir()>/machine.reg; user hive: <userConfigDir()>/user.reg. What names code to load or a
// program to start lives apart, in the root-only store <systemRegistryDir()>/system.reg: HKEY_CLASSES_ROOT (the
// machine's "SOFTWARE\Classes") and the machine's "SOFTWARE\Microsoft\Shared Tools" and "...\Shared Tools
// Location"; keys on those paths are served from it whichever way they are opened. That store is trusted only
// when it and its folder belong to root or to this process's user and no one else may write them; otherwise it
// reads as empty, is never written, and the refusal is reported once (standard error and damageReport()).
// A hive whose file or folder this process cannot write is read-only: reads work, opening for write, creating and
// setting give AccessDenied. The environment variable KEZ_REGISTRY_READONLY ("machine", "user" or
// "machine,user") forces that state; "machine" covers the root-only store too.
// A damaged hive file (anything but a regular file, or past the size limits, included) is moved aside to
// "<file>.damaged-<UTC time>", reported once on standard error and through damageReport(), and the hive starts
// empty. Writers take "<file>.lock" and give up with LockTimeout when another process keeps it for `lockWait`
// without saving the hive meanwhile. Each write is saved on its own, unless a WriteBatch (write_batch.h) makes a
// burst of writes one save.
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
    std::filesystem::path systemFile; // the root-only store
    bool machineReadOnly = false;
    bool userReadOnly = false;
    bool systemReadOnly = false;
    std::chrono::milliseconds lockWait = std::chrono::seconds(5);
};

// The settings from the standard folders and KEZ_REGISTRY_READONLY.
Settings defaultSettings();
// Replaces the store's settings (tests, tools). Keys already open keep using the files they were opened on.
void configure(const Settings& settings);
// Forces a hive read-only (true) or back to what its file rights allow (false). LocalMachine takes the root-only
// store along; ClassesRoot is that store alone.
void setReadOnly(Hive hive, bool readOnly);
// True when writes to the hive would be refused (for LocalMachine: to its settings file).
bool isReadOnly(Hive hive);

struct DamageReport {
    std::filesystem::path file;
    std::filesystem::path movedTo; // empty when the file could not be moved (read-only folder)
    std::string reason;
};
// The last damaged or untrusted file found for the hive since the store was configured (ClassesRoot: the
// root-only store).
std::optional<DamageReport> damageReport(Hive hive);

} // namespace kez::reg
