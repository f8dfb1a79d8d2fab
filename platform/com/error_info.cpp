#include "kez/com/error_info.h"

#include <utility>

namespace kez::com {

namespace {

std::optional<ErrorInfo>& threadErrorInfo() {
    thread_local std::optional<ErrorInfo> info;
    return info;
}

} // namespace

void setErrorInfo(std::optional<ErrorInfo> info) { threadErrorInfo() = std::move(info); }

std::optional<ErrorInfo> takeErrorInfo() { return std::exchange(threadErrorInfo(), std::nullopt); }

HRESULT reportError(HRESULT hr, std::string description, std::string source, const Guid& interfaceId) {
    setErrorInfo(ErrorInfo{std::move(description), std::move(source), interfaceId});
    return hr;
}

} // namespace kez::com
