#pragma once
// The process's scheduling priority by the setting "ProcessPriorityLevel": 2 high (nice -10), 3 real-time
// (nice -20), any other value the normal priority, which is the nice value the process started with (a restart
// after the level was lowered puts a raised priority back). Threads started afterwards inherit it, so it is set
// before the engine starts its own.
#include <cstdint>

namespace kez::ombrel {

// False when the system refused the change (raising priority needs CAP_SYS_NICE). The first call notes the
// nice value the process started with.
bool setProcessPriority(std::int16_t level);

} // namespace kez::ombrel
