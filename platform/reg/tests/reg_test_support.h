#pragma once
// Helpers of the registry tests: private hive folders and child processes.
#include "kez/reg/registry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kez::reg::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points the store at fresh hive files in a temporary folder; back to the defaults afterwards.
class ScopedRegistry {
public:
    ScopedRegistry();
    ~ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    const std::filesystem::path& folder() const { return dir_.path(); }
    std::filesystem::path machineFile() const { return dir_.path() / "machine.reg"; }
    std::filesystem::path userFile() const { return dir_.path() / "kez-ombrel" / "user.reg"; }
    // The store's settings for these files.
    Settings settings() const;
    // Forgets what the process read: the next access reads the files again.
    void reopen() const;
    // Environment entries that make a child process use the same hive files.
    std::vector<std::string> environment() const;

private:
    TempDir dir_;
};

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with the current environment changed by `extraEnvironment` ("NAME=value", later ones win).
ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment = {});

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& content);
// Files in `folder` whose name starts with `prefix`.
std::vector<std::filesystem::path> filesStartingWith(const std::filesystem::path& folder, const std::string& prefix);

} // namespace kez::reg::test
