#pragma once
// Waiting on several kernel-backed objects at once, with a time limit.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <span>
#include <variant>

namespace kez::sys {

using Timeout = std::chrono::milliseconds;
inline constexpr Timeout kInfinite = Timeout::max();

// An object whose readiness shows on a file descriptor. tryAcquire() consumes the
// signal where the object's rules say so (auto-reset event, semaphore) and returns
// false when another waiter took it first.
class Waitable {
public:
    virtual ~Waitable() = default;
    virtual int pollFd() const = 0;
    virtual bool tryAcquire() = 0;
};

// A plain descriptor to wait on; readiness is not consumed.
struct WaitFd {
    int fd;
    short events = POLLIN;
};

using WaitItem = std::variant<Waitable*, WaitFd>;

// The moment a wait with `limit` must end, on the clock the process runs on when it is
// made (a TestClock while one is installed). Limits of a century or more, and kInfinite,
// never pass (a deadline that far off would overflow the clock).
class Deadline {
public:
    explicit Deadline(Timeout limit);
    // kInfinite for a deadline that never passes, else the whole milliseconds left (0 once passed).
    Timeout left() const;
    bool passed() const { return left() == Timeout::zero(); }

private:
    friend int pollUntil(std::span<pollfd> fds, const Deadline& deadline);

    enum class On : std::uint8_t { Never, RealClock, TestClock };
    On on_ = On::Never;
    std::chrono::steady_clock::time_point realEnd_{};
    std::uint64_t testInstallation_ = 0;
    std::uint64_t testEndMs_ = 0;
};

// poll() until `deadline`: the number of ready descriptors, 0 once the deadline has
// passed, -1 with errno (EINTR included) on failure.
int pollUntil(std::span<pollfd> fds, const Deadline& deadline);

// Blocks the calling thread for `duration`.
void sleepFor(Timeout duration);

// Index of the first item found ready (lowest index wins when several are), or
// nullopt when `limit` passes first. Waitables are acquired as they are taken.
std::optional<std::size_t> waitAny(std::span<const WaitItem> items, Timeout limit);

} // namespace kez::sys
