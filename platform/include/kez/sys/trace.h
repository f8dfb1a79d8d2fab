#pragma once
// Debug trace to standard error, enabled by KEZ_TRACE=1. Never used for user-facing logs.
#include <functional>
#include <string_view>

namespace kez::sys {

bool traceEnabled();
void trace(std::string_view component, std::string_view text);

// Receives every trace line, enabled or not, while installed (tests); an empty sink restores standard error.
using TraceSink = std::function<void(std::string_view component, std::string_view text)>;
void setTraceSink(TraceSink sink);

} // namespace kez::sys
