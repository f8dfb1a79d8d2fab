#include "kez/sys/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kez::sys {
namespace fs = std::filesystem;
namespace {

constexpr const char* kFolderName = "kez-ombrel";

// Environment overrides are ignored in secure-execution mode (capability-bearing helpers).
std::optional<fs::path> environmentPath(const char* name) {
    const char* value = ::secure_getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return fs::path(value);
}

// XDG base folders must be absolute; a relative one is ignored.
std::optional<fs::path> xdgBase(const char* name) {
    auto base = environmentPath(name);
    if (base && base->is_absolute()) return base;
    return std::nullopt;
}

fs::path homeDir() {
    if (auto home = environmentPath("HOME")) return *home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return fs::path(found->pw_dir);
    }
    return fs::path("/");
}

fs::path userFolder(const char* xdgVariable, const fs::path& homeRelativeDefault) {
    const auto base = xdgBase(xdgVariable).value_or(homeDir() / homeRelativeDefault);
    return base / kFolderName;
}

// The build tree's default when this program is one of the build tree's, else the installed one.
fs::path compiledDefault(const char* buildTree, const char* installed) {
    return fs::path(runsFromBuildTree() ? buildTree : installed);
}

} // namespace

bool liesUnder(const fs::path& file, const fs::path& folder) {
    auto base = folder.lexically_normal();
    if (!base.has_filename()) base = base.parent_path(); // "/a/b/" names the folder "/a/b"
    const auto relative = file.lexically_normal().lexically_relative(base);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

bool runsFromBuildTree() {
    static const bool inside = [] {
        const fs::path written(KEZ_BINARY_DIR);
        if (liesUnder(programFile(), written)) return true;
        // A build folder reached through a link counts only where it still is one: on another machine a user
        // could make the packager's path a link to the installed tree.
        std::error_code error;
        const auto folder = fs::canonical(written, error);
        return !error && fs::is_regular_file(folder / "CMakeCache.txt", error) && liesUnder(programFile(), folder);
    }();
    return inside;
}

fs::path dataDir() {
    return environmentPath("KEZ_DATA_DIR").value_or(compiledDefault(KEZ_DEFAULT_DATA_DIR, KEZ_INSTALLED_DATA_DIR));
}

// The folder holds the user's log: private to them (0700), also when an earlier version made it wider.
fs::path stateDir() {
    auto folder = userFolder("XDG_STATE_HOME", fs::path(".local") / "state");
    std::error_code ignored; // a folder that cannot be made shows up when the caller writes there
    fs::create_directories(folder.parent_path(), ignored);
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno == EEXIST) {
        struct stat info {};
        if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
            (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
            ::chmod(folder.c_str(), S_IRWXU);
    }
    return folder;
}

fs::path registryDir() {
    return environmentPath("KEZ_REGISTRY_DIR")
        .value_or(compiledDefault(KEZ_DEFAULT_REGISTRY_DIR, KEZ_INSTALLED_REGISTRY_DIR));
}

fs::path systemRegistryDir() {
    if (auto folder = environmentPath("KEZ_SYSTEM_REGISTRY_DIR")) return *folder;
    if (auto machine = environmentPath("KEZ_REGISTRY_DIR")) return *machine / "system";
    return compiledDefault(KEZ_DEFAULT_SYSTEM_REGISTRY_DIR, KEZ_INSTALLED_SYSTEM_REGISTRY_DIR);
}

fs::path userConfigDir() { return userFolder("XDG_CONFIG_HOME", ".config"); }

fs::path programFile() {
    std::error_code error;
    auto file = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : file;
}

} // namespace kez::sys
