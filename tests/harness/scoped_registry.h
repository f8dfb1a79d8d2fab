#pragma once
// Environment variables and registry hives private to a test, put back as they were afterwards.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kez/reg/registry.h"
#include "temp_dir.h"

namespace kez::test {

// Sets (or, with nullopt, removes) one environment variable for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Fresh, writable machine and user hives and root-only store in a temporary folder, reached the way
// programs reach them: KEZ_REGISTRY_DIR and XDG_CONFIG_HOME name the folder (the root-only store is its
// "system" folder). The store is configured for them now and back to the defaults at the end.
class ScopedRegistry {
public:
    ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    const std::filesystem::path& folder() const { return dir_.path(); }
    std::filesystem::path machineFile() const { return dir_ / "machine.reg"; }
    std::filesystem::path userFile() const { return dir_ / "kez-ombrel" / "user.reg"; }
    // Class registrations and program paths.
    std::filesystem::path systemFile() const { return dir_ / "system" / "system.reg"; }
    // The store's settings for these files.
    reg::Settings settings() const { return {machineFile(), userFile(), systemFile()}; }
    // Forgets what the process read: the next access reads the files again.
    void reopen() const;
    // Environment entries that make a child process use the same hive files.
    std::vector<std::string> environment() const;

private:
    // Configures the store for the defaults once the variables are back, before the folder goes.
    struct DefaultsAtEnd {
        ~DefaultsAtEnd();
    };

    TempDir dir_{"kez-registry"};
    DefaultsAtEnd defaultsAtEnd_;
    ScopedEnv registryDir_{"KEZ_REGISTRY_DIR", dir_.path().string()};
    ScopedEnv systemRegistryDir_{"KEZ_SYSTEM_REGISTRY_DIR", std::nullopt};
    ScopedEnv configHome_{"XDG_CONFIG_HOME", dir_.path().string()};
    ScopedEnv readOnly_{"KEZ_REGISTRY_READONLY", std::nullopt};
};

} // namespace kez::test
