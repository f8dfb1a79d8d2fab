#pragma once
// Per-thread error objects. A failing member leaves one on its own thread; the caller,
// on the same thread, takes it right after the failed call to read the text. Taking
// clears it, so a stale error never answers for a later failure.
#include <optional>
#include <string>

#include "kez/com/guid.h"
#include "kez/com/hresult.h"

namespace kez::com {

struct ErrorInfo {
    std::string description;
    std::string source; // programmatic identifier of the reporting class
    Guid interfaceId;   // interface whose member failed

    friend bool operator==(const ErrorInfo&, const ErrorInfo&) = default;
};

// Replaces this thread's error object; an empty one clears it.
void setErrorInfo(std::optional<ErrorInfo> info);

// This thread's error object, which is then cleared.
std::optional<ErrorInfo> takeErrorInfo();

// Sets the error object and returns `hr`, so a member can `return reportError(...)`.
HRESULT reportError(HRESULT hr, std::string description, std::string source, const Guid& interfaceId);

} // namespace kez::com
