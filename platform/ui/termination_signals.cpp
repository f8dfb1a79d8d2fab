#include "kez/ui/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace kez::ui {
namespace {

constexpr std::array<int, 2> kSignals{SIGTERM, SIGINT};

// The pipe the handler writes to; -1 while no object listens.
std::atomic<int> gWriteEnd{-1};
std::array<struct sigaction, kSignals.size()> gPrevious{};

void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = gWriteEnd.load();
    const auto byte = static_cast<unsigned char>(signalNumber);
    if (fd >= 0) {
        // A full pipe already holds enough to wake the loop, so a failed write loses nothing.
        const auto written = ::write(fd, &byte, 1);
        static_cast<void>(written);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    readEnd_ = sys::UniqueFd(ends[0]);
    writeEnd_ = sys::UniqueFd(ends[1]);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    gWriteEnd = writeEnd_.get();
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    gWriteEnd = -1;
}

void TerminationSignals::readPending() {
    unsigned char byte = 0;
    while (::read(readEnd_.get(), &byte, 1) == 1)
        emit received(byte);
}

} // namespace kez::ui
