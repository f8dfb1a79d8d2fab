#pragma once
// The process's scheduling priority by the setting "ProcessPriorityLevel": 2 high (nice -10), 3 real-time
// (nice -20), any other value leaves it as it is. Threads started afterwards inherit it, so it is set before
// the engine starts its own.
#include <cstdint>

namespace kez::ombrel {

// False when the system refused the change (raising priority needs CAP_SYS_NICE).
bool setProcessPriority(std::int16_t level);

} // namespace kez::ombrel
