#include "kez/sys/wait.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "test_time.h"

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

int pollTimeout(Timeout left) {
    if (left == kInfinite) return -1;
    return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

} // namespace

Deadline::Deadline(Timeout limit) {
    if (limit >= kLongestFiniteLimit) return;
    const auto ms = std::max(limit, Timeout::zero());
    if (const auto now = detail::testNow()) {
        on_ = On::TestClock;
        testInstallation_ = now->installation;
        testEndMs_ = now->ms + static_cast<std::uint64_t>(ms.count());
    } else {
        on_ = On::RealClock;
        realEnd_ = Clock::now() + ms;
    }
}

Timeout Deadline::left() const {
    switch (on_) {
    case On::Never: return kInfinite;
    case On::RealClock: return std::max(std::chrono::ceil<Timeout>(realEnd_ - Clock::now()), Timeout::zero());
    case On::TestClock: break;
    }
    const auto now = detail::testNow();
    if (!now || now->installation != testInstallation_ || now->ms >= testEndMs_) return Timeout::zero();
    return Timeout(testEndMs_ - now->ms);
}

int pollUntil(std::span<pollfd> fds, const Deadline& deadline) {
    if (deadline.on_ == Deadline::On::TestClock) {
        return detail::pollOnTestClock(fds, detail::TestInstant{deadline.testInstallation_, deadline.testEndMs_});
    }
    if (deadline.on_ == Deadline::On::Never && detail::testClockInstalled()) {
        return detail::pollOnTestClock(fds, std::nullopt);
    }
    return ::poll(fds.data(), fds.size(), pollTimeout(deadline.left()));
}

std::optional<std::size_t> waitAny(std::span<const WaitItem> items, Timeout limit) {
    const Deadline deadline(limit);
    std::vector<pollfd> fds = pollSet(items);
    for (;;) {
        const bool lastLook = deadline.passed();
        for (auto& fd : fds)
            fd.revents = 0;
        const int ready = pollUntil(fds, deadline);
        if (ready < 0 && errno != EINTR) return std::nullopt; // only for unusable sets; errno tells why
        if (ready > 0) {
            if (auto index = ReadyCheck{items, fds}.firstTaken()) return index;
        }
        if (lastLook || (ready == 0 && deadline.passed())) return std::nullopt;
    }
}

void sleepFor(Timeout duration) {
    const Deadline deadline(duration);
    while (!deadline.passed()) {
        pollUntil({}, deadline);
    }
}

} // namespace kez::sys
