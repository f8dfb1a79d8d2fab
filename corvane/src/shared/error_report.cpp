#include "error_report.h"

#include <cerrno>

#include "corvane/identifiers.h"

namespace kez::corvane {

com::HRESULT reportEngineError(com::HRESULT hr, std::string text) {
    return com::reportError(hr, std::move(text), kEngineProgId, kIidIEngine);
}

com::HRESULT reportSystemError(const std::string& text) {
    return reportEngineError(com::hresultFromErrno(errno), text);
}

CalleeError takeCalleeError(com::HRESULT hr, const com::Guid& calledInterface) {
    CalleeError error{hr, {}, calledInterface};
    if (auto info = com::takeErrorInfo()) {
        error.description = std::move(info->description);
        error.interfaceId = info->interfaceId;
    }
    return error;
}

com::HRESULT reportCalleeError(com::HRESULT hr, const com::Guid& calledInterface) {
    CalleeError error = takeCalleeError(hr, calledInterface);
    return com::reportError(hr, std::move(error.description), kEngineProgId, error.interfaceId);
}

} // namespace kez::corvane
