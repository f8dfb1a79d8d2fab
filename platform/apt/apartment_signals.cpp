#include "apartment_signals.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace kez::apt::detail {
namespace {

sys::UniqueFd newEventFd() { return sys::UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

void signal(const sys::UniqueFd& fd) {
    const std::uint64_t one = 1;
    // Fails only when the counter is saturated, and then the descriptor is readable anyway.
    [[maybe_unused]] const auto written = ::write(fd.get(), &one, sizeof one);
}

void drain(const sys::UniqueFd& fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(fd.get(), &count, sizeof count);
}

bool watch(const sys::UniqueFd& poll, const sys::UniqueFd& fd) {
    epoll_event interest{};
    interest.events = EPOLLIN;
    interest.data.fd = fd.get();
    return ::epoll_ctl(poll.get(), EPOLL_CTL_ADD, fd.get(), &interest) == 0;
}

} // namespace

ApartmentSignals::ApartmentSignals()
    : work_(newEventFd()), wake_(newEventFd()), timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      poll_(::epoll_create1(EPOLL_CLOEXEC)) {
    if (!work_ || !wake_ || !timer_ || !poll_ || !watch(poll_, work_) || !watch(poll_, timer_)) {
        error_ = errno != 0 ? errno : EMFILE;
    }
}

void ApartmentSignals::setWork(bool queued) {
    if (queued == workSet_) return;
    workSet_ = queued;
    if (queued) {
        signal(work_);
    } else {
        drain(work_);
    }
}

void ApartmentSignals::wake() { signal(wake_); }

void ApartmentSignals::armTimer(std::optional<std::uint32_t> ms) {
    if (!ms && !timerArmed_) return;
    timerArmed_ = ms.has_value();
    itimerspec when{};
    if (ms) {
        // A zero value would disarm: the nearest expiry a timerfd takes is one nanosecond.
        when.it_value.tv_sec = *ms / 1000;
        when.it_value.tv_nsec = *ms == 0 ? 1 : static_cast<long>(*ms % 1000) * 1'000'000;
    }
    ::timerfd_settime(timer_.get(), 0, &when, nullptr);
}

void ApartmentSignals::drainTimer() { drain(timer_); }

void ApartmentSignals::waitForWake(sys::Timeout limit) {
    const std::array<sys::WaitItem, 2> items{sys::WaitFd{wake_.get()}, sys::WaitFd{timer_.get()}};
    if (sys::waitAny(items, limit) == 0u) drain(wake_);
}

} // namespace kez::apt::detail
