#pragma once
// Debug trace to standard error, enabled by KEZ_TRACE=1. Never used for user-facing logs.
#include <string_view>

namespace kez::sys {

bool traceEnabled();
void trace(std::string_view component, std::string_view text);

} // namespace kez::sys
