#pragma once
// Every wait of an interface ends on its stop event too.
#include "kez/sys/wait.h"

struct J5Interface;

namespace ralnet::iface {

enum class Wake { Stop, Signalled, Timeout };

// Waits for `what` (taking its signal) or the stop event, which wins when both are set.
Wake waitOrStop(J5Interface& iface, kez::sys::Waitable& what, kez::sys::Timeout limit = kez::sys::kInfinite);
Wake waitOrStop(J5Interface& iface, int fd, kez::sys::Timeout limit = kez::sys::kInfinite);
// Sleeps up to `limit`; false when the stop event ended the sleep.
bool pauseUnlessStopped(J5Interface& iface, kez::sys::Timeout limit);

} // namespace ralnet::iface
