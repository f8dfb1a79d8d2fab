#include "kez/sys/wait.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

namespace kez::sys {
namespace {

using Clock = std::chrono::steady_clock;

constexpr Timeout kLongestFiniteLimit = std::chrono::hours(24 * 365 * 100);

struct ReadyCheck {
    std::span<const WaitItem> items;
    const std::vector<pollfd>& polled;

    // Lowest ready index whose signal could be taken; waitables another waiter
    // emptied first are passed over.
    std::optional<std::size_t> firstTaken() const {
        for (std::size_t i = 0; i < items.size(); ++i) {
            const short revents = polled[i].revents;
            if (revents == 0) continue;
            if (const auto* waitable = std::get_if<Waitable*>(&items[i])) {
                if ((revents & POLLIN) != 0 && (*waitable)->tryAcquire()) return i;
            } else {
                // Errors and hang-ups count as ready: the caller learns of them on its next read.
                return i;
            }
        }
        return std::nullopt;
    }
};

std::vector<pollfd> pollSet(std::span<const WaitItem> items) {
    std::vector<pollfd> fds;
    fds.reserve(items.size());
    for (const auto& item : items) {
        if (const auto* waitable = std::get_if<Waitable*>(&item)) {
            fds.push_back({(*waitable)->pollFd(), POLLIN, 0});
        } else {
            const auto& plain = std::get<WaitFd>(item);
            fds.push_back({plain.fd, plain.events, 0});
        }
    }
    return fds;
}

} // namespace

Deadline::Deadline(Timeout limit) {
    if (limit < kLongestFiniteLimit) end_ = Clock::now() + std::max(limit, Timeout::zero());
}

Timeout Deadline::left() const {
    if (!end_) return kInfinite;
    return std::max(std::chrono::ceil<Timeout>(*end_ - Clock::now()), Timeout::zero());
}

int Deadline::pollTimeout() const {
    const Timeout remaining = left();
    if (remaining == kInfinite) return -1;
    return remaining.count() > INT_MAX ? INT_MAX : static_cast<int>(remaining.count());
}

std::optional<std::size_t> waitAny(std::span<const WaitItem> items, Timeout limit) {
    const Deadline deadline(limit);
    std::vector<pollfd> fds = pollSet(items);
    for (;;) {
        const int timeout = deadline.pollTimeout();
        for (auto& fd : fds)
            fd.revents = 0;
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) return std::nullopt; // only for unusable sets; errno tells why
        if (ready > 0) {
            if (auto index = ReadyCheck{items, fds}.firstTaken()) return index;
        }
        if (timeout == 0) return std::nullopt;
    }
}

} // namespace kez::sys
