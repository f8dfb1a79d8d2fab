#pragma once
// The face's procedures report their own failures: a run-time error or any other exception becomes the shared
// error report (logged, a critical box titled with the procedure's name) and the procedure ends there.
#include <functional>
#include <string_view>

namespace kez::ombrel {

// Runs `body`; false when it failed and was reported under `procedure`.
bool runReported(std::string_view procedure, const std::function<void()>& body);

} // namespace kez::ombrel
