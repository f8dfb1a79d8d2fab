#include "form/procedure_errors.h"

#include <exception>

#include "kez/vb/runtime_error.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

namespace {
// What a failure without a run-time error number is reported as (the language's "Internal error").
constexpr int kInternalError = 51;
} // namespace

bool runReported(std::string_view procedure, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const vb::RuntimeError& error) {
        gReportError(error.number(), procedure, error.description(), true);
    } catch (const std::exception& error) {
        gReportError(kInternalError, procedure, error.what(), true);
    }
    return false;
}

} // namespace kez::ombrel
