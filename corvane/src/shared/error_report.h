#pragma once
// The engine's error convention: every failure leaves an error object whose source is the
// engine, and the member returns the failure's result code.
#include <string>

#include "kez/com/error_info.h"
#include "kez/com/guid.h"
#include "kez/com/hresult.h"

namespace kez::corvane {

// A failure of the engine's own, with its fixed text, on IEngine.
com::HRESULT reportEngineError(com::HRESULT hr, std::string text);
// A failed system call of the engine's own: the result comes from errno.
com::HRESULT reportSystemError(const std::string& text);

// What a failed call on another object left: its description and interface, taken from this
// thread's error object; `calledInterface` when it left none.
struct CalleeError {
    com::HRESULT hr;
    std::string description;
    com::Guid interfaceId;
};
CalleeError takeCalleeError(com::HRESULT hr, const com::Guid& calledInterface);

// Reports a failed call on another object again, as the engine's own error.
com::HRESULT reportCalleeError(com::HRESULT hr, const com::Guid& calledInterface);

} // namespace kez::corvane
