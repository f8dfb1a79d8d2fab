#pragma once
// Running commands and line-talking child processes from tests, with time limits.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kez/sys/fd.h"

namespace kez::test {

using namespace std::chrono_literals;

struct CommandResult {
    int exitCode = -1; // -1 when it did not end normally within its limit
    std::string out;
    std::string err;
    bool ok() const { return exitCode == 0; }
};

// The lines of a text (a command's output, a log), without their ends.
std::vector<std::string> linesOf(const std::string& text);

// Runs argv (argv[0] looked up in PATH) and collects its output; killed at the limit.
// `environment` entries "NAME=value" replace or add to this process's environment.
CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
                         std::chrono::milliseconds limit = 30s);
inline CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    return runCommand(argv, {}, limit);
}

// argv that runs `script` in sh with `arguments` as $1, $2, ... (no quoting needed), for pipes
// and redirections.
std::vector<std::string> shellCommand(const std::string& script, const std::vector<std::string>& arguments = {});

// Runs `body` in a forked copy of this process (sharing what it configured, the registry for
// one); the child's exit code is body's result.
pid_t forkChild(const std::function<int()>& body);
// The exit code of a forked child; -1 when it did not exit normally.
int waitChild(pid_t pid);

// A child with its standard input and output on pipes (standard error is inherited).
// Killed and reaped when the object ends while it still runs.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&&) noexcept;
    ChildProcess& operator=(ChildProcess&&) noexcept;

    // `environment` entries "NAME=value" replace or add to this process's environment.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {});
    bool sendLine(const std::string& line);
    // One line without its end, or nullopt at the limit or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = 10s);
    // The exit status (or 128 + signal), or nullopt when it is still running at the limit.
    std::optional<int> wait(std::chrono::milliseconds limit = 10s);
    pid_t pid() const { return pid_; }

private:
    void kill();

    pid_t pid_ = 0;
    sys::UniqueFd input_;
    sys::UniqueFd output_;
    std::string pending_;
};

// Reads the child's lines into `seen`, each ended by a line break, until one holds every part; false when none
// did within the limit.
bool awaitLine(ChildProcess& child, std::string& seen, const std::vector<std::string>& parts,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

} // namespace kez::test
