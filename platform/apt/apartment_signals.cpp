#include "apartment_signals.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
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

bool watch(const sys::UniqueFd& poll, int fd) {
    epoll_event interest{};
    interest.events = EPOLLIN;
    interest.data.fd = fd;
    return ::epoll_ctl(poll.get(), EPOLL_CTL_ADD, fd, &interest) == 0;
}

} // namespace

ApartmentSignals::ApartmentSignals()
    : work_(newEventFd()), wake_(sys::Event::Reset::Auto, false, std::nothrow), poll_(::epoll_create1(EPOLL_CLOEXEC)) {
    if (!work_ || !wake_.valid() || timer_.error() != 0 || !poll_ || !watch(poll_, work_.get()) ||
        !watch(poll_, timer_.fd())) {
        error_ = timer_.error() != 0 ? timer_.error() : errno != 0 ? errno : EMFILE;
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

void ApartmentSignals::wake() {
    if (wake_.valid()) wake_.set();
}

void ApartmentSignals::armTimer(std::optional<std::uint32_t> ms) {
    timer_.arm(ms ? std::optional<sys::Timeout>(*ms) : std::nullopt);
}

void ApartmentSignals::drainTimer() { timer_.drain(); }

void ApartmentSignals::waitForWake(sys::Timeout limit) {
    if (!wake_.valid()) return;
    const std::array<sys::WaitItem, 2> items{&wake_, sys::WaitFd{timer_.fd()}};
    sys::waitAny(items, limit);
}

} // namespace kez::apt::detail
