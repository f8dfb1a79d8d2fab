#include "iface/waits.h"

#include "iface/interface.h"

#include <array>

namespace ralnet::iface {
namespace {

Wake waitOrStopOn(J5Interface& iface, kez::sys::WaitItem what, kez::sys::Timeout limit) {
    const std::array<kez::sys::WaitItem, 2> items{kez::sys::WaitItem{&iface.stop}, what};
    const auto ready = kez::sys::waitAny(items, limit);
    if (!ready) return Wake::Timeout;
    return *ready == 0 ? Wake::Stop : Wake::Signalled;
}

} // namespace

Wake waitOrStop(J5Interface& iface, kez::sys::Waitable& what, kez::sys::Timeout limit) {
    return waitOrStopOn(iface, &what, limit);
}

Wake waitOrStop(J5Interface& iface, int fd, kez::sys::Timeout limit) {
    return waitOrStopOn(iface, kez::sys::WaitFd{fd}, limit);
}

bool pauseUnlessStopped(J5Interface& iface, kez::sys::Timeout limit) { return !iface.stop.wait(limit); }

} // namespace ralnet::iface
