#pragma once
// Linkor's and Sonwell's objects, made through the class registry by class identifier (a test
// puts its doubles there in process), and event sinks advised through their connection-point
// containers.
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/com/object.h"

namespace kez::corvane {

// Advises `sink` for `eventsIid` on `source`; E_NOINTERFACE when `source` raises no events.
com::HRESULT adviseOn(const com::Ptr<com::Object>& source, const com::Guid& eventsIid,
                      const com::Ptr<com::Object>& sink, com::Cookie& cookie);
// Unadvises a cookie adviseOn gave (and clears it); nothing for kNoCookie.
com::HRESULT unadviseOn(const com::Ptr<com::Object>& source, const com::Guid& eventsIid, com::Cookie& cookie);

// A new message of class `clsid`, as its interface T. On failure the error object says why.
template <class T>
com::HRESULT createMessage(const com::Guid& clsid, com::Ptr<T>& message) {
    return com::ClassRegistry::createAs(clsid, message);
}

// The first failure of `calls`, run in order until one fails; S_OK when none does.
template <class... Calls>
com::HRESULT firstFailure(Calls&&... calls) {
    com::HRESULT hr = com::S_OK;
    static_cast<void>(((hr = calls(), com::SUCCEEDED(hr)) && ...));
    return hr;
}

} // namespace kez::corvane
