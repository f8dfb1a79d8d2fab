#include "process.h"

#include "eventually.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <utility>

extern char** environ;

namespace kez::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    sys::UniqueFd read;
    sys::UniqueFd write;
    bool make() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return false;
        read = sys::UniqueFd(ends[0]);
        write = sys::UniqueFd(ends[1]);
        return true;
    }
};

int remainingMs(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

std::optional<int> statusOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return std::nullopt;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment, int input,
            int output, int error) {
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    for (const auto& extra : extraEnvironment) {
        const auto name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(environment, [&](const std::string& entry) { return entry.starts_with(name); });
        environment.push_back(extra);
    }
    auto argvPointers = pointers(arguments);
    auto environmentPointers = pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    if (output >= 0) posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    if (error >= 0) posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO);
    pid_t pid = 0;
    const int failed =
        ::posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr, argvPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : 0;
}

void drainInto(int fd, std::string& text) {
    std::array<char, 4096> chunk{};
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got > 0) text.append(chunk.data(), static_cast<std::size_t>(got));
}

} // namespace

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         std::chrono::milliseconds limit) {
    CommandResult result;
    Pipe out;
    Pipe err;
    if (argv.empty() || !out.make() || !err.make()) return result;
    const pid_t pid = spawn(argv, environment, -1, out.write.get(), err.write.get());
    out.write.reset();
    err.write.reset();
    if (pid == 0) return result;
    const auto end = Clock::now() + limit;
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && remainingMs(end) > 0) {
        std::array<pollfd, 2> fds{
            {{outOpen ? out.read.get() : -1, POLLIN, 0}, {errOpen ? err.read.get() : -1, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), remainingMs(end)) <= 0) continue;
        if (fds[0].revents != 0) {
            const auto before = result.out.size();
            drainInto(out.read.get(), result.out);
            outOpen = result.out.size() != before;
        }
        if (fds[1].revents != 0) {
            const auto before = result.err.size();
            drainInto(err.read.get(), result.err);
            errOpen = result.err.size() != before;
        }
    }
    if (outOpen || errOpen) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!outOpen && !errOpen) result.exitCode = statusOf(status).value_or(-1);
    return result;
}

std::vector<std::string> shellCommand(const std::string& script, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"sh", "-c", script, "sh"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

pid_t forkChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

int waitChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ChildProcess::~ChildProcess() { kill(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)), input_(std::move(other.input_)), output_(std::move(other.output_)),
      pending_(std::move(other.pending_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        kill();
        pid_ = std::exchange(other.pid_, 0);
        input_ = std::move(other.input_);
        output_ = std::move(other.output_);
        pending_ = std::move(other.pending_);
    }
    return *this;
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    Pipe in;
    Pipe out;
    if (pid_ != 0 || argv.empty() || !in.make() || !out.make()) return false;
    pid_ = spawn(argv, environment, in.read.get(), out.write.get(), -1);
    if (pid_ == 0) return false;
    input_ = std::move(in.write);
    output_ = std::move(out.read);
    return true;
}

bool ChildProcess::sendLine(const std::string& line) {
    const std::string text = line + '\n';
    return input_ && ::write(input_.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        if (const auto newline = pending_.find('\n'); newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        pollfd waiting{output_.get(), POLLIN, 0};
        if (!output_ || ::poll(&waiting, 1, remainingMs(end)) <= 0) return std::nullopt;
        const auto before = pending_.size();
        drainInto(output_.get(), pending_);
        if (pending_.size() == before) return std::nullopt;
    }
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
    if (pid_ == 0) return std::nullopt;
    input_.reset();
    const auto end = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = 0;
            return statusOf(status);
        }
        if (remainingMs(end) == 0) return std::nullopt;
        ::usleep(10000);
    }
}

void ChildProcess::kill() {
    if (pid_ == 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
}

bool awaitLine(ChildProcess& child, std::string& seen, const std::vector<std::string>& parts,
               std::chrono::milliseconds limit) {
    return eventually(
        [&] {
            while (auto line = child.readLine(std::chrono::milliseconds(1))) {
                seen += *line + "\n";
                if (std::ranges::all_of(parts, [&](const auto& p) { return line->find(p) != std::string::npos; }))
                    return true;
            }
            return false;
        },
        limit);
}

} // namespace kez::test
