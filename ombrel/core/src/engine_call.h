#pragma once
// How the wrapper calls the engine: a failure, with the text of its error object, becomes a run-time error
// that ends the wrapper's member in the engine error box.
#include <string>

#include "kez/com/error_info.h"
#include "kez/com/hresult.h"
#include "kez/vb/runtime_error.h"

namespace kez::ombrel {

inline void check(com::HRESULT hr) {
    if (com::SUCCEEDED(hr)) return;
    const auto info = com::takeErrorInfo();
    throw vb::RuntimeError(hr, info ? info->description : std::string());
}

} // namespace kez::ombrel
