#pragma once
// The broker's process, started by the program that uses it: no environment, one
// descriptor passed on besides standard error. Ended (killed if it does not end by
// itself) and reaped with the object.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string_view>
#include <utility>

namespace kez::net::detail {

class HelperProcess {
public:
    HelperProcess() = default;
    ~HelperProcess() { end(std::chrono::milliseconds(0)); }
    HelperProcess(HelperProcess&& other) noexcept : pid_(std::exchange(other.pid_, 0)) {}
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    HelperProcess& operator=(HelperProcess&&) = delete;

    // Runs `helper adapter <fd>` with `channel` as descriptor <fd>; 0 or the errno.
    int spawn(const std::filesystem::path& helper, std::string_view adapter, int channel, int fd);
    // Waits up to `limit` for the process to end, kills it after that, and reaps it.
    void end(std::chrono::milliseconds limit);

private:
    pid_t pid_ = 0;
};

} // namespace kez::net::detail
