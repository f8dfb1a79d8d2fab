#include "kez/sys/trace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace kez::sys {
namespace {

std::mutex gSinkMutex;
TraceSink gSink;

bool enabledByEnvironment() {
    const char* value = ::secure_getenv("KEZ_TRACE");
    return value != nullptr && std::string_view(value) == "1";
}

} // namespace

bool traceEnabled() {
    static const bool enabled = enabledByEnvironment();
    return enabled;
}

void trace(std::string_view component, std::string_view text) {
    std::lock_guard lock(gSinkMutex);
    if (gSink) {
        gSink(component, text);
        return;
    }
    if (!traceEnabled()) return;
    std::string line;
    line.reserve(component.size() + text.size() + 3);
    line.append(component).append(": ").append(text).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void setTraceSink(TraceSink sink) {
    std::lock_guard lock(gSinkMutex);
    gSink = std::move(sink);
}

} // namespace kez::sys
