#pragma once
// Applying a ThreadPriority to the calling thread.
#include "kez/sys/thread.h"

namespace kez::sys::detail {

// Sets the calling thread's nice value relative to the main thread's. A refused raise
// is traced once per process and otherwise ignored; the result says whether it took.
bool applyPriority(ThreadPriority priority);

} // namespace kez::sys::detail
