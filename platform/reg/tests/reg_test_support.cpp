#include "reg_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kez::reg::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kez-reg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ScopedRegistry::ScopedRegistry() { reopen(); }

ScopedRegistry::~ScopedRegistry() { configure(defaultSettings()); }

Settings ScopedRegistry::settings() const { return {machineFile(), userFile(), false, false}; }

void ScopedRegistry::reopen() const { configure(settings()); }

std::vector<std::string> ScopedRegistry::environment() const {
    return {"KEZ_REGISTRY_DIR=" + dir_.path().string(), "XDG_CONFIG_HOME=" + dir_.path().string(),
            "KEZ_REGISTRY_READONLY="};
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment) {
    const TempDir outputs;
    const auto outFile = outputs.path() / "out";
    const auto errFile = outputs.path() / "err";

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    for (const auto& extra : extraEnvironment) {
        const auto prefix = extra.substr(0, extra.find('=') + 1);
        std::erase_if(environment, [&](const std::string& entry) { return entry.starts_with(prefix); });
        environment.push_back(extra);
    }
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ProcessResult result;
    if (error != 0) return result;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<fs::path> filesStartingWith(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(prefix)) found.push_back(entry.path());
    }
    return found;
}

} // namespace kez::reg::test
