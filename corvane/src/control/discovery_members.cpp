// StartAutoDiscover and StopAutoDiscover: the endpoint opened for listening only, joined to
// the call servers' discovery group, while the engine is not started.
#include "engine_object.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

const std::uint8_t kDiscoveryGroup[] = {224, 2, 224, 22};

} // namespace

// A running engine's endpoint is never replaced under its threads; an endpoint left by an
// earlier discovery is closed first, so none is advised or opened twice.
HRESULT Engine::StartAutoDiscover() {
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    closeEndPoint();
    control_.startDiscovery();
    state_.with([](SharedFields& f) { f.bound = false; });
    if (const HRESULT hr = startEndPoint(); com::FAILED(hr)) return hr;
    if (const HRESULT hr = openEndPoint(); com::FAILED(hr)) return hr;
    Variant group;
    HRESULT hr = com::MakeSafeArray(com::ElementType::UI1, kDiscoveryGroup, group);
    if (com::SUCCEEDED(hr)) hr = endPoint_->AddMulticastIP(group);
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IEndPoint::iid) : com::S_OK;
}

// Leaves a running engine's endpoint, and a pending IP probe, alone.
HRESULT Engine::StopAutoDiscover() { return run_ == Run::Stopped ? closeEndPoint() : com::S_OK; }

} // namespace kez::corvane
