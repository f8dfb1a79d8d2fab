#include "helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>

#include "kez/sys/fd.h"

namespace kez::net::detail {

int HelperProcess::spawn(const std::filesystem::path& helper, std::string_view adapter, int channel, int fd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Not the program's input and output: a reader of the program's pipes would wait for the broker too.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, channel, fd);
    std::string program = helper.string();
    std::string name(adapter);
    std::string channelText = std::to_string(fd);
    std::array<char*, 4> argv{program.data(), name.data(), channelText.data(), nullptr};
    std::array<char*, 1> environment{nullptr};
    const int error = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) pid_ = 0;
    return error;
}

void HelperProcess::end(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return;
    const sys::UniqueFd process(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
    pollfd ended{process.get(), POLLIN, 0};
    const bool endedInTime = process && limit.count() > 0 && ::poll(&ended, 1, static_cast<int>(limit.count())) == 1;
    if (!endedInTime) ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
}

} // namespace kez::net::detail
